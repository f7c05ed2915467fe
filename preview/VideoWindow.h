#pragma once
// The control in which the preview's video is shown.
//
// It contributes the video renderer to its TFilterGraph (as a filter
// provider) and listens to the graph. The renderer exists only while the
// graph is active; when playback starts, the renderer's own window is made a
// child of this control's parent and laid exactly over this control (a
// sibling in front of it; with VMROptions' KeepAspectRatio, the default, only
// over the part that keeps the picture's shape), and mouse and key input on
// it is drained to this control. The control itself paints its Color
// (black) where no video is.
//
// Mode vmVMR uses the video mixing renderer 9 with the settings of
// VMROptions; a system without that renderer stays at vmNormal.
#include <windows.h>
#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>

#include <cstdint>

#include "preview/ComPtr.h"
#include "preview/GraphInterfaces.h"
#include "ui/Control.h"

namespace korvane {

class TFilterGraph;
class TVideoWindow;

enum TVideoMode { vmNormal = 0, vmVMR = 1 };
enum TVMRVideoMode { vmrWindowed = 0, vmrWindowless = 1, vmrRenderless = 2 };

// Rendering preferences of the mixing renderer, bits 0 to 5.
using TVMRPreferences = unsigned;
enum : TVMRPreferences {
    vpForceOffscreen = 1u << 0,
    vpForceOverlays = 1u << 1,
    vpForceMixer = 1u << 2,
    vpDoNotRenderColorKeyAndBorder = 1u << 3,
    vpRestrictToInitialMonitor = 1u << 4,
    vpPreferAGPMemWhenMixing = 1u << 5,
};

// Settings of the mixing renderer; owned by one TVideoWindow. Changing one
// while the owner's renderer is the mixing renderer in an active graph
// re-creates the renderer with the new settings.
class TVMROptions {
public:
    explicit TVMROptions(TVideoWindow& owner) : owner_(owner) {}
    TVMROptions(const TVMROptions&) = delete;
    TVMROptions& operator=(const TVMROptions&) = delete;

    std::uint32_t Streams() const { return streams_; }
    // Outside 1..16 is stored as 1.
    void SetStreams(std::uint32_t value);
    TVMRPreferences Preferences() const { return preferences_; }
    void SetPreferences(TVMRPreferences value);
    TVMRVideoMode Mode() const { return mode_; }
    void SetMode(TVMRVideoMode value);
    bool KeepAspectRatio() const { return keepAspectRatio_; }
    void SetKeepAspectRatio(bool value);

private:
    friend class TVideoWindow;
    void RecreateRenderer();

    TVideoWindow& owner_;
    std::uint32_t streams_ = 4;
    TVMRPreferences preferences_ = vpForceMixer;
    TVMRVideoMode mode_ = vmrWindowed;
    bool keepAspectRatio_ = true;
};

class TVideoWindow : public ui::CustomControl, public IFilterProvider, public IGraphListener {
public:
    explicit TVideoWindow(ui::Component* owner);
    ~TVideoWindow() override;
    const char* ClassName() const override { return "TVideoWindow"; }

    TFilterGraph* FilterGraph() const { return filterGraph_; }
    void SetFilterGraph(TFilterGraph* graph);

    TVideoMode Mode() const { return mode_; }
    void SetMode(TVideoMode value);
    TVMROptions& VMROptions() { return vmrOptions_; }

    bool FullScreen() const { return fullScreen_; }
    void SetFullScreen(bool value);
    bool FullScreenTopMost() const { return fullScreenTopMost_; }
    void SetFullScreenTopMost(bool value);
    bool FullScreenActive() const { return fullScreenActive_; }

    void SetVisible(bool visible) override;

    // The renderer's window while there is one (found among the children of
    // this control's parent by its caption), else this control's window.
    HWND VideoHandle();

    // The windowless control first, then the renderer.
    HRESULT QueryInterface(REFIID iid, void** out);

    IBaseFilter* Renderer() const { return renderer_.Get(); }
    IVideoWindow* VideoWindowInterface() const { return videoWindow_.Get(); }
    // Some pin of the renderer has a peer.
    bool RendererConnected() const;

    // Whether the mixing renderer 9 can be created on this system.
    static bool VMR9Available();

    // Called after the control paints.
    ui::NotifyEvent OnPaint;

    // IFilterProvider
    IBaseFilter* ProvideFilter() override { return renderer_.Get(); }
    std::string ProvideFilterName() override { return Name(); }
    void FilterOperation(TFilterOperation operation, int param) override;

    // IGraphListener
    void GraphEventArrived(long code, LONG_PTR param1, LONG_PTR param2) override;
    void ControlEventArrived(TControlEvent code, int param) override;

    void Notification(ui::Component* component, ui::Operation operation) override;

protected:
    void CreateWindowHandleDone() override;
    void Paint(ui::Canvas& canvas) override;
    void Resize() override;
    void ConstrainedResize(int& minWidth, int& minHeight, int& maxWidth, int& maxHeight) override;
    void WndProc(ui::Message& message) override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseMove(ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;

private:
    friend class TVMROptions;

    void CreateRenderer();
    void ConfigureAddedRenderer();
    void ApplyRenderingPreferences(IVMRFilterConfig9* config);
    void StopAndDisconnectRenderer();
    void ReleaseRenderer();
    void PlaceRenderer();
    void SetCaptionAndDrain();
    void ApplyKeepAspectRatio();
    // Where the plain renderer's window goes, in the parent's coordinates.
    RECT PictureRect();
    void ReinsertRenderer();
    POINT MousePoint(int x, int y) const;

    TVideoMode mode_ = vmNormal;
    TVMROptions vmrOptions_{*this};
    ComPtr<IBaseFilter> renderer_;
    ComPtr<IVideoWindow> videoWindow_;
    ComPtr<IVMRWindowlessControl9> windowless_;
    bool fullScreen_ = false;
    TFilterGraph* filterGraph_ = nullptr;
    DWORD savedStyle_ = 0;
    DWORD savedExStyle_ = 0;
    bool fullScreenTopMost_ = false;
    bool fullScreenActive_ = false;
};

} // namespace korvane
