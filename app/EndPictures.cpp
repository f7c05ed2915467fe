#include "app/EndPictures.h"

#include <exception>

namespace korvane {

EndPictures::EndPictures(const Korvane& korvane, const Controls& controls) : korvane_(korvane), c_(controls) {}

void EndPictures::Take(bool last, const std::string& source, double seconds)
{
    FrameGrab& grab = last ? last_ : first_;
    ui::Image& image = last ? c_.last : c_.first;
    if (!grab.Start(korvane_.EnginePath, source, seconds, image.Width(), image.Height())) {
        image.Hide();
        return;
    }
    c_.timer.SetEnabled(true);
}

void EndPictures::Collect()
{
    if (first_.Running() && first_.Poll())
        Show(first_, c_.first);
    if (last_.Running() && last_.Poll())
        Show(last_, c_.last);
    if (!Taking())
        c_.timer.SetEnabled(false);
}

// A frame the engine could not take (a mark past the end) shows no picture.
void EndPictures::Show(FrameGrab& grab, ui::Image& image)
{
    const std::string file = grab.Picture();
    bool shown = false;
    if (!file.empty()) {
        try {
            image.Picture().LoadFromFile(file);
            shown = true;
        } catch (const std::exception&) {
        }
    }
    grab.Stop();
    image.SetVisible(shown);
    if (shown)
        image.Invalidate();
}

void EndPictures::Clear()
{
    first_.Stop();
    last_.Stop();
    c_.timer.SetEnabled(false);
    c_.first.Hide();
    c_.last.Hide();
}

} // namespace korvane
