#pragma once
// The preview's one DirectShow filter graph.
//
// Inactive, it holds no DirectShow object; activation creates the graph and
// puts every provider's filter into it, deactivation takes them out and
// releases everything. DirectShow's threads only post GraphNotifyMessage to a
// hidden window; the events are fetched there, on the GUI thread, and handed
// to the listeners, then to OnDSEvent, then to the handler for the code.
//
// Event slots are std::function members; an empty slot is not called.
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "preview/ComPtr.h"
#include "preview/GraphInterfaces.h"
#include "ui/Component.h"
#include "ui/HiddenWindow.h"

namespace korvane {

inline constexpr UINT GraphNotifyMessage = WM_APP + 1;

enum TGraphMode { gmNormal = 0, gmCapture = 1, gmDVD = 2 };

// The graph's callbacks, defined here because the SDK headers lack them.
struct IAMGraphBuilderCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* moniker) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* filter) = 0;
};
struct IAMFilterGraphCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE UnableToRender(IPin* pin) = 0;
};
extern const IID IID_AMGraphBuilderCallback;
extern const IID IID_AMFilterGraphCallback;
// The private service under which a graph's site yields its TFilterGraph.
extern const GUID SID_KorvaneFilterGraph;

class TFilterGraph : public ui::Component {
public:
    explicit TFilterGraph(ui::Component* owner = nullptr);
    ~TFilterGraph() override;

    bool Active() const { return active_; }
    void SetActive(bool value);

    bool AutoCreate() const { return autoCreate_; }
    void SetAutoCreate(bool value) { autoCreate_ = value; }
    void Loaded() override;

    TGraphMode Mode() const { return mode_; }
    void SetMode(TGraphMode value);

    bool GraphEdit() const { return graphEdit_; }
    void SetGraphEdit(bool value);
    // Cookie of the running object table entry, 0 when there is none.
    DWORD RotCookie() const { return rotCookie_; }

    const std::string& LogFile() const { return logFile_; }
    void SetLogFile(const std::string& path);

    bool LinearVolume() const { return linearVolume_; }
    void SetLinearVolume(bool value);
    std::int32_t Volume() const { return volume_; }
    void SetVolume(std::int32_t value);
    std::int32_t Balance() const { return balance_; }
    void SetBalance(std::int32_t value);
    double PlaybackRate() const { return rate_; }
    void SetPlaybackRate(double value);
    void ApplyAudioAndRate();

    void AddFilterProvider(IFilterProvider& provider);
    void RemoveFilterProvider(IFilterProvider& provider);
    void AddGraphListener(IGraphListener& listener);
    void RemoveGraphListener(IGraphListener& listener);

    // The component's own interfaces first, then (while active) the DirectShow
    // objects: IMediaControl, IMediaSeeking, IBasicAudio, ... come from here.
    HRESULT QueryInterface(REFIID iid, void** out);
    template <class T>
    ComPtr<T> Query(REFIID iid)
    {
        ComPtr<T> p;
        QueryInterface(iid, p.PutVoid());
        return p;
    }

    // Removes every filter but the providers' after stopping and disconnecting.
    void EmptyGraph();
    void DisconnectAllPins();
    // S_FALSE without a graph; raises EDirectShowException when the file
    // cannot be rendered (and then sends no ControlFileRendered).
    HRESULT RenderMediaFile(const std::wstring& path);
    bool Play();
    bool Pause();
    bool Stop();
    // 0 when no duration can be had.
    std::int32_t GetDurationMs();

    // Fetches every queued DirectShow event and dispatches it.
    void DrainGraphEvents();
    virtual void HandleGraphEvent(long code, LONG_PTR param1, LONG_PTR param2);
    void NotifyControlEvent(TControlEvent code, int param);

    IFilterGraph2* Graph() const { return graph_.Get(); }
    HWND NotifyWindow() const { return notifyWindow_; }
    // References the graph and others hold on this component's callbacks.
    long CallbackReferences() const { return callbacks_.References(); }

    std::function<void()> OnActivate;
    std::function<void(long code, LONG_PTR param1, LONG_PTR param2)> OnDSEvent;
    std::function<void(HRESULT result)> OnGraphComplete;
    std::function<void()> OnGraphUserAbort;
    std::function<void(HRESULT result)> OnGraphErrorAbort;
    std::function<void(HRESULT result)> OnGraphPaused;
    std::function<void(int width, int height)> OnGraphVideoSizeChanged;
    std::function<void()> OnGraphClockChanged;
    std::function<void()> OnGraphChanged;
    // Returning false makes the graph skip the filter.
    std::function<bool(IMoniker* moniker, const std::wstring& name, const GUID& classId)> OnSelectedFilter;
    std::function<bool(IBaseFilter* filter, const GUID& classId)> OnCreatedFilter;
    // Returning true makes the graph try the pin again.
    std::function<bool(IPin* pin)> OnUnableToRender;

private:
    class Callbacks final : public IAMGraphBuilderCallback, public IAMFilterGraphCallback, public IServiceProvider {
    public:
        explicit Callbacks(TFilterGraph& graph) : graph_(graph) {}
        Callbacks(const Callbacks&) = delete;
        Callbacks& operator=(const Callbacks&) = delete;

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        // Counted only to prove that everybody let go; the object lives as
        // long as its TFilterGraph.
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* moniker) override;
        HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* filter) override;
        HRESULT STDMETHODCALLTYPE UnableToRender(IPin* pin) override;
        HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

        long References() const { return references_; }
        TFilterGraph& Owner() { return graph_; }

    private:
        TFilterGraph& graph_;
        long references_ = 0;
    };

    void Activate();
    void Deactivate();
    void StopStreaming();
    void InsertProvidedFilters();
    void RemoveProvidedFilters();
    void AddToRot();
    void RemoveFromRot();
    void OpenLog();
    void CloseLog();
    bool IsProvider(IFilterProvider* provider) const;
    bool IsListener(IGraphListener* listener) const;
    void RaiseCodeEvent(long code, LONG_PTR param1, LONG_PTR param2);

    bool active_ = false;
    bool autoCreate_ = false;
    TGraphMode mode_ = gmNormal;
    std::int32_t volume_ = 10000;
    std::int32_t balance_ = 0;
    double rate_ = 1.0;
    bool linearVolume_ = true;
    bool graphEdit_ = false;
    DWORD rotCookie_ = 0;
    std::string logFile_;
    class LogStream {
    public:
        LogStream() = default;
        ~LogStream() { Close(); }
        LogStream(const LogStream&) = delete;
        LogStream& operator=(const LogStream&) = delete;
        bool Create(const std::string& path);
        void Close();
        HANDLE Get() const { return handle_; }

    private:
        HANDLE handle_ = INVALID_HANDLE_VALUE;
    };
    LogStream log_;
    std::vector<IFilterProvider*> providers_;
    std::vector<IGraphListener*> listeners_;
    ComPtr<IFilterGraph2> graph_;
    ComPtr<ICaptureGraphBuilder2> captureBuilder_;
    ComPtr<IDvdGraphBuilder> dvdBuilder_;
    ComPtr<IMediaEventEx> events_;
    Callbacks callbacks_{*this};
    // DirectShow's threads post GraphNotifyMessage here; the events are fetched on the GUI thread.
    ui::HiddenWindow notifyWindow_{"KorvaneGraphNotify", [this](UINT msg, WPARAM, LPARAM) {
        if (msg != GraphNotifyMessage)
            return false;
        DrainGraphEvents();
        return true;
    }, WS_POPUP, nullptr};
};

} // namespace korvane
