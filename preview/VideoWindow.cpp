#include "preview/VideoWindow.h"

#include <evcode.h>
#include <float.h>

#include <string>

#include "preview/CheckResult.h"
#include "preview/FilterGraph.h"
#include "preview/FilterList.h"
#include "preview/MediaErrors.h"
#include "preview/MediaUnits.h"
#include "ui/Application.h"

namespace korvane {

namespace {

// Some renderers change the floating-point control word when they start;
// the program's arithmetic must not notice.
class FpuControlWordGuard {
public:
    FpuControlWordGuard() : saved_(_control87(0, 0)) {}
    ~FpuControlWordGuard() { _control87(saved_, 0xFFFFFFFFu); }
    FpuControlWordGuard(const FpuControlWordGuard&) = delete;
    FpuControlWordGuard& operator=(const FpuControlWordGuard&) = delete;

private:
    unsigned saved_;
};

class BString {
public:
    explicit BString(const std::string& s)
    {
        const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
        std::wstring w(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
        if (n > 0)
            MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
        b_ = SysAllocString(w.c_str());
    }
    ~BString() { SysFreeString(b_); }
    BString(const BString&) = delete;
    BString& operator=(const BString&) = delete;
    BSTR Get() const { return b_; }

private:
    BSTR b_ = nullptr;
};

// Some renderers report a failure when the window's previous extended style
// was empty, although the new one was set; what the window now has decides.
HRESULT PutWindowStyleEx(IVideoWindow* window, DWORD style)
{
    HRESULT hr = window->put_WindowStyleEx(static_cast<long>(style));
    long now = 0;
    if (FAILED(hr) && SUCCEEDED(window->get_WindowStyleEx(&now)) && static_cast<DWORD>(now) == style)
        hr = S_OK;
    return hr;
}

bool IsMixingRenderer(TVideoMode mode)
{
    return mode == vmVMR;
}

} // namespace

// ---- TVMROptions ----

void TVMROptions::SetStreams(std::uint32_t value)
{
    streams_ = value >= 1 && value <= 16 ? value : 1;
    RecreateRenderer();
}

void TVMROptions::SetPreferences(TVMRPreferences value)
{
    preferences_ = value & 0x3Fu;
    RecreateRenderer();
}

void TVMROptions::SetMode(TVMRVideoMode value)
{
    mode_ = value;
    RecreateRenderer();
}

void TVMROptions::SetKeepAspectRatio(bool value)
{
    keepAspectRatio_ = value;
    owner_.ApplyKeepAspectRatio();
}

void TVMROptions::RecreateRenderer()
{
    if (IsMixingRenderer(owner_.mode_) && owner_.filterGraph_ && owner_.filterGraph_->Active())
        owner_.ReinsertRenderer();
}

// ---- TVideoWindow ----

TVideoWindow::TVideoWindow(ui::Component* owner) : ui::CustomControl(owner)
{
    SetTabStop(true);
    SetBounds(0, 0, 160, 120);
    SetColor(ui::clBlack);
}

TVideoWindow::~TVideoWindow()
{
    try {
        SetFilterGraph(nullptr);
    } catch (...) {
        ui::App().HandleCurrentException();
    }
    ReleaseRenderer();
}

void TVideoWindow::SetFilterGraph(TFilterGraph* graph)
{
    if (graph == filterGraph_)
        return;
    if (TFilterGraph* old = filterGraph_) {
        old->RemoveFreeNotification(this);
        filterGraph_ = nullptr;
        // The listener goes first: taking the renderer out may fail, and the
        // graph must not go on calling a control that may be gone by then.
        old->RemoveGraphListener(*this);
        old->RemoveFilterProvider(*this);
    }
    if (graph) {
        graph->FreeNotification(this);
        graph->AddFilterProvider(*this);
        graph->AddGraphListener(*this);
    }
    filterGraph_ = graph;
}

void TVideoWindow::Notification(ui::Component* component, ui::Operation operation)
{
    ui::CustomControl::Notification(component, operation);
    // The graph is going: drop the reference without calling it.
    if (operation == ui::opRemove && component == filterGraph_)
        filterGraph_ = nullptr;
}

void TVideoWindow::SetMode(TVideoMode value)
{
    mode_ = value == vmVMR && !VMR9Available() ? vmNormal : value;
    if (filterGraph_ && filterGraph_->Active())
        ReinsertRenderer();
}

void TVideoWindow::ReinsertRenderer()
{
    filterGraph_->RemoveFilterProvider(*this);
    filterGraph_->AddFilterProvider(*this);
}

bool TVideoWindow::VMR9Available()
{
    FpuControlWordGuard fpu;
    ComPtr<IBaseFilter> vmr;
    return CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC, IID_IBaseFilter, vmr.PutVoid()) ==
           S_OK;
}

bool TVideoWindow::RendererConnected() const
{
    return renderer_ && TPinList(renderer_.Get()).AnyConnected();
}

// ---- the renderer's life in the graph ----

void TVideoWindow::FilterOperation(TFilterOperation operation, int)
{
    switch (operation) {
    case FilterAdding:
        CreateRenderer();
        break;
    case FilterAdded:
        ConfigureAddedRenderer();
        break;
    case FilterRemoving:
        StopAndDisconnectRenderer();
        break;
    case FilterRemoved:
        ReleaseRenderer();
        break;
    }
}

void TVideoWindow::CreateRenderer()
{
    if (mode_ == vmNormal) {
        CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, renderer_.PutVoid());
        return;
    }
    FpuControlWordGuard fpu;
    CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC, IID_IBaseFilter, renderer_.PutVoid());
    ComPtr<IVMRFilterConfig9> config;
    if (FAILED(renderer_.QueryTo(IID_IVMRFilterConfig9, config)))
        return;
    switch (vmrOptions_.mode_) {
    case vmrWindowed:
        config->SetRenderingMode(VMR9Mode_Windowed);
        break;
    case vmrWindowless:
        config->SetRenderingMode(VMR9Mode_Windowless);
        break;
    case vmrRenderless:
        // No allocator-presenter class can be set in this program.
        throw EMediaException("Allocator class not set.");
    }
}

void TVideoWindow::ConfigureAddedRenderer()
{
    if (mode_ == vmNormal) {
        if (!renderer_)
            CheckResult(E_POINTER);
        CheckResult(renderer_.QueryTo(IID_IVideoWindow, videoWindow_));
        return;
    }
    ComPtr<IVMRFilterConfig9> config;
    if (!renderer_ || renderer_.QueryTo(IID_IVMRFilterConfig9, config) != S_OK)
        return;
    if (vmrOptions_.streams_ != 4 || (vmrOptions_.preferences_ & vpForceMixer)) {
        config->SetNumberOfStreams(vmrOptions_.streams_);
        DWORD streams = vmrOptions_.streams_;
        if (SUCCEEDED(config->GetNumberOfStreams(&streams)))
            vmrOptions_.streams_ = streams;
    }
    switch (vmrOptions_.mode_) {
    case vmrWindowed:
        renderer_.QueryTo(IID_IVideoWindow, videoWindow_);
        ApplyRenderingPreferences(config.Get());
        break;
    case vmrWindowless:
        if (SUCCEEDED(renderer_.QueryTo(IID_IVMRWindowlessControl9, windowless_)))
            windowless_->SetVideoClippingWindow(Handle());
        ApplyRenderingPreferences(config.Get());
        Resize();
        break;
    case vmrRenderless:
        break;
    }
    ApplyKeepAspectRatio();
}

void TVideoWindow::ApplyRenderingPreferences(IVMRFilterConfig9* config)
{
    const bool forceMixer = (vmrOptions_.preferences_ & vpForceMixer) != 0;
    config->SetRenderingPrefs(vmrOptions_.preferences_ & ~vpForceMixer);
    DWORD read = 0;
    if (SUCCEEDED(config->GetRenderingPrefs(&read)))
        vmrOptions_.preferences_ = (read & 0x3Fu) | (forceMixer ? vpForceMixer : 0u);
}

void TVideoWindow::ApplyKeepAspectRatio()
{
    if (vmrOptions_.mode_ != vmrWindowed && vmrOptions_.mode_ != vmrWindowless)
        return;
    ComPtr<IVMRAspectRatioControl9> aspect;
    if (FAILED(QueryInterface(IID_IVMRAspectRatioControl9, aspect.PutVoid())) || !aspect)
        return;
    CheckResult(aspect->SetAspectRatioMode(vmrOptions_.keepAspectRatio_ ? VMR9ARMode_LetterBox : VMR9ARMode_None));
}

void TVideoWindow::StopAndDisconnectRenderer()
{
    if (!renderer_)
        return;
    CheckResult(renderer_->Stop());
    TPinList pins(renderer_.Get());
    for (std::size_t i = 0; i < pins.Count(); ++i) {
        // The upstream side is let go as well, so that the pin feeding the
        // renderer is free for the next renderer; whether it can be depends
        // on that filter's state, so its answer is not ours to judge.
        ComPtr<IPin> peer;
        if (SUCCEEDED(pins.Items(i)->ConnectedTo(peer.Put())) && peer)
            peer->Disconnect();
        CheckResult(pins.Items(i)->Disconnect());
    }
}

void TVideoWindow::ReleaseRenderer()
{
    if (videoWindow_) {
        // Hand the renderer's window back before it goes, so that it never
        // outlives the renderer as a child of our parent.
        videoWindow_->put_Visible(OAFALSE);
        videoWindow_->put_Owner(0);
    }
    videoWindow_.Reset();
    windowless_.Reset();
    renderer_.Reset();
}

// ---- placing the renderer's window ----

void TVideoWindow::SetFullScreen(bool value)
{
    if (videoWindow_ && RendererConnected()) {
        if (!value) {
            HWND parent = Parent() ? Parent()->Handle() : ::GetParent(Handle());
            CheckResult(videoWindow_->put_Owner(reinterpret_cast<OAHWND>(parent)));
            CheckResult(videoWindow_->put_WindowStyle(static_cast<long>(savedStyle_ | WS_CHILD | WS_CLIPSIBLINGS)));
            CheckResult(PutWindowStyleEx(videoWindow_.Get(), savedExStyle_));
            const RECT r = PictureRect();
            CheckResult(videoWindow_->SetWindowPosition(r.left, r.top, r.right - r.left, r.bottom - r.top));
            fullScreenActive_ = false;
        } else {
            CheckResult(videoWindow_->put_Owner(0));
            CheckResult(videoWindow_->put_WindowStyle(
                static_cast<long>(savedStyle_ & ~static_cast<DWORD>(WS_CAPTION | WS_THICKFRAME))));
            DWORD ex = savedExStyle_ & ~static_cast<DWORD>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE |
                                                           WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
            if (fullScreenTopMost_)
                ex |= WS_EX_TOPMOST;
            CheckResult(PutWindowStyleEx(videoWindow_.Get(), ex));
            CheckResult(videoWindow_->SetWindowPosition(0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                                                        ::GetSystemMetrics(SM_CYSCREEN)));
            fullScreenActive_ = true;
        }
    }
    fullScreen_ = value;
    if (windowless_)
        fullScreenActive_ = false;
}

void TVideoWindow::SetFullScreenTopMost(bool value)
{
    fullScreenTopMost_ = value;
    if (fullScreen_)
        SetFullScreen(true);
}

void TVideoWindow::SetCaptionAndDrain()
{
    if (!Name().empty()) {
        BString caption(Name());
        CheckResult(videoWindow_->put_Caption(caption.Get()));
    }
    CheckResult(videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(Handle())));
}

void TVideoWindow::SetVisible(bool visible)
{
    ui::CustomControl::SetVisible(visible);
    // The renderer refuses window calls while its input is not connected
    // (a source without video); there is no window to show then.
    if (videoWindow_ && RendererConnected())
        CheckResult(videoWindow_->put_Visible(visible ? OATRUE : OAFALSE));
}

HWND TVideoWindow::VideoHandle()
{
    if (!videoWindow_)
        return Handle();
    HWND parent = Parent() ? Parent()->Handle() : ::GetParent(Handle());
    if (HWND h = ::FindWindowExA(parent, nullptr, "VideoRenderer", Name().c_str()))
        return h;
    // Renderers of other makes use their own window class; the caption
    // still tells the renderer's window from this control's.
    HWND h = nullptr;
    while ((h = ::FindWindowExA(parent, h, nullptr, Name().c_str())) != nullptr)
        if (h != HandleIfAllocated())
            return h;
    return Handle();
}

HRESULT TVideoWindow::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IVMRWindowlessControl9) && windowless_) {
        windowless_->AddRef();
        *out = windowless_.Get();
        return S_OK;
    }
    if (renderer_)
        return renderer_->QueryInterface(iid, out);
    return E_NOINTERFACE;
}

// ---- graph and control events ----

void TVideoWindow::GraphEventArrived(long code, LONG_PTR, LONG_PTR)
{
    switch (code) {
    case EC_PALETTE_CHANGED:
        if (videoWindow_) {
            SetFullScreen(fullScreen_);
            if (RendererConnected())
                SetCaptionAndDrain();
        }
        break;
    case EC_VMR_RENDERDEVICE_SET:
        if (vmrOptions_.mode_ == vmrWindowed && videoWindow_ && RendererConnected())
            SetCaptionAndDrain();
        break;
    default:
        break;
    }
}

void TVideoWindow::ControlEventArrived(TControlEvent code, int)
{
    if (code != ControlPlay || !RendererConnected())
        return;
    if (mode_ == vmNormal) {
        if (videoWindow_) {
            SetFullScreen(fullScreen_);
            SetCaptionAndDrain();
        }
    } else {
        SetFullScreen(fullScreen_);
    }
}

// ---- the control's own window ----

void TVideoWindow::CreateWindowHandleDone()
{
    ui::CustomControl::CreateWindowHandleDone();
    // The renderer's window takes this control's look when laid over it.
    savedStyle_ = static_cast<DWORD>(::GetWindowLongA(HandleIfAllocated(), GWL_STYLE));
    savedExStyle_ = static_cast<DWORD>(::GetWindowLongA(HandleIfAllocated(), GWL_EXSTYLE));
}

void TVideoWindow::Paint(ui::Canvas& canvas)
{
    ui::CustomControl::Paint(canvas);
    if (OnPaint && !Destroying())
        OnPaint(*this);
}

// The plain renderer stretches the picture over its whole window: with
// KeepAspectRatio the window itself keeps the picture's shape, centred over
// the control, whose own black shows in the bars beside or above it.
RECT TVideoWindow::PictureRect()
{
    RECT r{Left(), Top(), Left() + Width(), Top() + Height()};
    if (!vmrOptions_.keepAspectRatio_ || !renderer_)
        return r;
    ComPtr<IBasicVideo> video;
    long pictureWidth = 0, pictureHeight = 0;
    if (FAILED(renderer_.QueryTo(IID_IBasicVideo, video)) ||
        FAILED(video->GetVideoSize(&pictureWidth, &pictureHeight)))
        return r;
    const PictureFit fit = FitPicture(pictureWidth, pictureHeight, Width(), Height());
    return RECT{Left() + fit.left, Top() + fit.top, Left() + fit.left + fit.width, Top() + fit.top + fit.height};
}

void TVideoWindow::PlaceRenderer()
{
    if ((mode_ == vmNormal || vmrOptions_.mode_ == vmrWindowed) && videoWindow_ && !fullScreen_) {
        const RECT r = PictureRect();
        videoWindow_->SetWindowPosition(r.left, r.top, r.right - r.left, r.bottom - r.top);
    } else if (IsMixingRenderer(mode_) && vmrOptions_.mode_ == vmrWindowless && windowless_) {
        RECT target{0, 0, Width(), Height()};
        windowless_->SetVideoPosition(nullptr, &target);
    }
}

void TVideoWindow::Resize()
{
    ui::CustomControl::Resize();
    PlaceRenderer();
}

// A size kept within limits may still differ from the one asked for: the
// renderer's window follows what the control gets.
void TVideoWindow::ConstrainedResize(int& minWidth, int& minHeight, int& maxWidth, int& maxHeight)
{
    ui::CustomControl::ConstrainedResize(minWidth, minHeight, maxWidth, maxHeight);
    Resize();
}

void TVideoWindow::WndProc(ui::Message& message)
{
    // Full screen, the renderer's window covers everything and its input is
    // drained to this control: the menu belongs where the mouse is, and the
    // parent, hidden behind the picture, is not asked.
    if (message.Msg == WM_CONTEXTMENU && fullScreen_) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        message.Result = ShowPopupMenu(cursor) ? 1 : 0;
        return;
    }
    ui::CustomControl::WndProc(message);
    // A move without a resize must take the renderer's window along too.
    if (message.Msg == WM_MOVE)
        PlaceRenderer();
}

POINT TVideoWindow::MousePoint(int x, int y) const
{
    POINT p{x, y};
    if (fullScreenActive_)
        ::GetCursorPos(&p);
    return p;
}

void TVideoWindow::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    const POINT p = MousePoint(x, y);
    ui::CustomControl::MouseDown(button, shift, p.x, p.y);
}

void TVideoWindow::MouseMove(ui::ShiftState shift, int x, int y)
{
    const POINT p = MousePoint(x, y);
    ui::CustomControl::MouseMove(shift, p.x, p.y);
}

void TVideoWindow::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    const POINT p = MousePoint(x, y);
    ui::CustomControl::MouseUp(button, shift, p.x, p.y);
}

} // namespace korvane
