// Draws every picture of the program:
//   korvane-artwork <art folder> <skin folder>
// the main window's pictures and icon into the first, the built-in skin's
// container and the menu check mark into the second, and reads each bitmap
// back to check its size and transparent corner.
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "files.h"
#include "pictures.h"
#include "skin.h"

namespace {

using namespace art;

struct Output {
    std::string name;
    Canvas picture;
    bool keyedCorner;  // the control takes its bottom-left colour as transparent
    bool dither;       // gradients large enough to band without it
    int frames = 1;    // pictures side by side, each with its own keyed corner
};

// Places where controls sit on a picture: they must show the flat colour
// that the controls' own backgrounds are given.
struct FlatSpot {
    const char* file;
    int x0, y0, x1, y1;
    Color colour;
};


void check(const std::string& path, const Output& o) {
    const Bytes b = readBmp(path);
    if (b.width != o.picture.width() || b.height != o.picture.height())
        throw std::runtime_error(path + ": read back at the wrong size");
    if (o.keyedCorner) {
        const int frameWidth = b.width / o.frames;
        for (int f = 0; f < o.frames; ++f) {
            const unsigned char* p = &b.rgba[(static_cast<size_t>(b.height - 1) * b.width + f * frameWidth) * 4];
            if (p[0] != 255 || p[1] != 0 || p[2] != 255)
                throw std::runtime_error(path + ": bottom-left pixel is not the key colour");
        }
    }
}

void checkFlat(const std::string& dir, const FlatSpot& s) {
    const Bytes b = readBmp(dir + s.file);
    const Bytes want = quantize(Canvas(1, 1, s.colour), false);
    for (int y = s.y0; y < s.y1; ++y)
        for (int x = s.x0; x < s.x1; ++x) {
            const unsigned char* p = &b.rgba[(static_cast<size_t>(y) * b.width + x) * 4];
            if (p[0] != want.rgba[0] || p[1] != want.rgba[1] || p[2] != want.rgba[2])
                throw std::runtime_error(std::string(s.file) + ": not flat under the controls at " +
                                         std::to_string(x) + "," + std::to_string(y));
        }
}

uint32_t get32(const std::vector<unsigned char>& v, size_t at) {
    if (at + 4 > v.size()) throw std::runtime_error("skin container: offset outside the file");
    return static_cast<uint32_t>(v[at]) | static_cast<uint32_t>(v[at + 1]) << 8 |
           static_cast<uint32_t>(v[at + 2]) << 16 | static_cast<uint32_t>(v[at + 3]) << 24;
}

// Walks the container's chain and reads every picture back at its size.
void checkSkin(const std::vector<unsigned char>& c, const std::vector<SkinEntry>& entries) {
    size_t at = get32(c, 20);
    size_t n = 0;
    while (get32(c, at + 73) != 0) {
        const SkinEntry& e = entries.at(n++);
        if (std::string(reinterpret_cast<const char*>(&c.at(at))) != e.name || c.at(at + 64) != e.kind)
            throw std::runtime_error("skin container: record " + std::to_string(n) + " is not " + e.name);
        if (e.kind == SkinEntry::Picture) {
            const size_t from = get32(c, at + 65), length = get32(c, at + 69);
            const Bytes b = readBmp(std::vector<unsigned char>(c.begin() + static_cast<std::ptrdiff_t>(from),
                                                               c.begin() + static_cast<std::ptrdiff_t>(from + length)),
                                    e.name);
            if (b.width != e.picture.width() || b.height != e.picture.height())
                throw std::runtime_error("skin container: " + e.name + " read back at the wrong size");
        }
        at = get32(c, at + 73);
    }
    if (n != entries.size()) throw std::runtime_error("skin container: entries missing");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <art folder> <skin folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const std::string skinDir = std::string(argv[2]) + "/";
    try {
        std::vector<Output> outs;
        outs.push_back({"toolbar.bmp", toolbarBackground(), false, true});
        outs.push_back({"panel-left.bmp", leftPanel(), false, true});
        outs.push_back({"panel-right.bmp", rightPanel(), false, true});
        outs.push_back({"panel-progress.bmp", progressPanel(), false, true});
        outs.push_back({"banner.bmp", banner(), false, true});
        outs.push_back({"about.bmp", aboutBackground(), false, true});
        outs.push_back({"installer-side.bmp", installerSide(), false, true});
        outs.push_back({"tool-open.bmp", toolbarGlyph(ToolGlyph::Open), true, false});
        outs.push_back({"tool-settings.bmp", toolbarGlyph(ToolGlyph::Settings), true, false});
        outs.push_back({"tool-about.bmp", toolbarGlyph(ToolGlyph::About), true, false});
        outs.push_back({"tool-help.bmp", toolbarGlyph(ToolGlyph::Help), true, false});
        outs.push_back({"preview-play.bmp", previewGlyph(PreviewGlyph::Play), true, false});
        outs.push_back({"preview-pause.bmp", previewGlyph(PreviewGlyph::Pause), true, false});
        outs.push_back({"preview-stop.bmp", previewGlyph(PreviewGlyph::Stop), true, false});
        outs.push_back({"preview-start-time.bmp", previewGlyph(PreviewGlyph::StartTime), true, false});
        outs.push_back({"preview-end-time.bmp", previewGlyph(PreviewGlyph::EndTime), true, false});
        outs.push_back({"preview-clear.bmp", previewGlyph(PreviewGlyph::Clear), true, false});
        outs.push_back({"start-cancel.bmp", actionStrip(), true, true, 6});
        outs.push_back({"countdown.bmp", countdownGlyph(), true, false});
        for (const Output& o : outs) {
            const std::string path = dir + o.name;
            writeBmp(path, o.picture, o.dither);
            check(path, o);
        }
        writeIco(dir + "korvane.ico", {appIcon(16), appIcon(32)});

        const FlatSpot spots[] = {
            {"panel-left.bmp", 20, 248, 398, 300, deckColour()},      // time labels, seek bar, range labels
            {"panel-left.bmp", 20, 314, 398, 344, deckColour()},      // transport buttons
            {"panel-right.bmp", 4, 8, 360, 40, deckColour()},         // "Source:" and its edit
            {"panel-right.bmp", 12, 60, 372, 200, paperColour()},     // split mode
            {"panel-right.bmp", 12, 210, 372, 266, paperColour()},    // profile and output folder
            {"panel-progress.bmp", 10, 10, 372, 136, deckColour()},   // progress texts and bars
        };
        for (const FlatSpot& s : spots) checkFlat(dir, s);

        const std::vector<SkinEntry> skin = builtInSkin();
        const std::vector<unsigned char> container = skinContainer(skin);
        save(skinDir + "korvane.kvskin", container);
        checkSkin(container, skin);
        writeBmp(skinDir + "menu-checked.bmp", menuCheckMark(), false);
        check(skinDir + "menu-checked.bmp", {"menu-checked.bmp", menuCheckMark(), false, false});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artwork: %s\n", e.what());
        return 1;
    }
    return 0;
}
