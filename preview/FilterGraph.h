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
#include <dvdevcod.h>

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

// The English name of a locale's language ("German" for 0x0407), or empty.
std::string LocaleLanguageName(LCID locale);

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
    // Who is told of the graph's events: a listener that has gone must not be.
    std::size_t GraphListenerCount() const { return listeners_.size(); }

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
    // IMediaSeeking::SetPositions, made with the graph stopped and the graph
    // then put back into the state it was in. A seek in a running or paused
    // graph flushes every stream, and some audio renderers (Wine's over a
    // sound server) never finish their next Stop after such a flush; a
    // stopped graph seeks without one, on every platform. The listeners are
    // told nothing: for them playback goes on. E_NOINTERFACE without a graph.
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags);
    // 0 when no duration can be had.
    std::int32_t GetDurationMs();
    // The playback position and the duration in 100 ns units; -1 when unknown.
    LONGLONG CurrentPosition();
    LONGLONG Duration();
    // The running graph is paused (a stopped one too, so that its picture is
    // shown); true when the graph is paused afterwards.
    bool PauseForStill();
    // Moves to `position` (100 ns units, held within the source) and, in a
    // paused graph, waits until the picture there is shown.
    void SeekTo(LONGLONG position);
    // One video frame's duration in 100 ns units, as the video renderer's
    // format gives it; 0 when the graph has no video or does not say.
    double FrameTime();
    // Moves the paused video one frame on with the graph's own frame step and
    // waits for it; false where the graph cannot step.
    bool StepOneFrame();

    // Fetches every queued DirectShow event and dispatches it.
    void DrainGraphEvents();
    virtual void HandleGraphEvent(long code, LONG_PTR param1, LONG_PTR param2);
    void NotifyControlEvent(TControlEvent code, int param);

    IFilterGraph2* Graph() const { return graph_.Get(); }
    HWND NotifyWindow() const { return notifyWindow_; }
    // References the graph and others hold on this component's callbacks.
    long CallbackReferences() const { return callbacks_->References() - 1; }

    std::function<void()> OnActivate;
    std::function<void(long code, LONG_PTR param1, LONG_PTR param2)> OnDSEvent;

    // One handler per DirectShow event, called after OnDSEvent with the
    // event's parameters decoded. Pointers are borrowed for the call.
    std::function<void(HRESULT result)> OnGraphComplete;
    std::function<void()> OnGraphUserAbort;
    std::function<void(HRESULT result)> OnGraphErrorAbort;
    std::function<void(HRESULT operation, DWORD value)> OnGraphStreamErrorStopped;
    std::function<void(HRESULT operation, DWORD value)> OnGraphStreamErrorStillPlaying;
    std::function<void(HRESULT result)> OnGraphErrorStillPlaying;
    std::function<void()> OnGraphPaletteChanged;
    std::function<void(int width, int height)> OnGraphVideoSizeChanged;
    std::function<void()> OnGraphQualityChange;
    std::function<void()> OnGraphClockChanged;
    std::function<void(HRESULT result)> OnGraphPaused;
    std::function<void(bool opening)> OnGraphOpeningFile;
    std::function<void(bool buffering)> OnGraphBufferingData;
    std::function<void(IBaseFilter* renderer)> OnGraphFullscreenLost;
    std::function<void(const std::wstring& function, const std::wstring& parameters)> OnGraphOleEvent;
    std::function<void(IPin* pin, DWORD cookie)> OnGraphStreamControlStopped;
    std::function<void(IPin* pin, DWORD cookie)> OnGraphStreamControlStarted;
    std::function<void(REFERENCE_TIME streamTime, DWORD segment)> OnGraphEndOfSegment;
    std::function<void(IUnknown* device, bool available)> OnGraphDeviceLost;
    std::function<void(bool cancelled)> OnGraphStepComplete;
    std::function<void(IBaseFilter* sender, DWORD deviceId)> OnGraphTimeCodeAvailable;
    std::function<void(DWORD mode, DWORD deviceId)> OnGraphEXTDeviceModeChange;
    std::function<void()> OnGraphChanged;
    std::function<void()> OnGraphClockUnset;
    std::function<void(DWORD renderDevice)> OnGraphVMRRenderDevice;
    std::function<void(SNDDEV_ERR operation, DWORD result)> OnGraphSNDDevInError;
    std::function<void(SNDDEV_ERR operation, DWORD result)> OnGraphSNDDevOutError;

    // DVD navigation. The domain change, error and warning events are split
    // by their first parameter into one handler each.
    std::function<void()> OnDVDDomainFirstPlay;
    std::function<void()> OnDVDDomainVideoManagerMenu;
    std::function<void()> OnDVDDomainVideoTitleSetMenu;
    std::function<void()> OnDVDDomainTitle;
    std::function<void()> OnDVDDomainStop;
    std::function<void(int title)> OnDVDTitleChange;
    std::function<void(int chapter)> OnDVDChapterStart;
    // The stream's locale as the DVD navigator reports it (0 when it cannot
    // tell) and that locale's language in English.
    std::function<void(int stream, LCID locale, const std::string& language)> OnDVDAudioStreamChange;
    std::function<void(int stream, LCID locale, const std::string& language)> OnDVDSubpictureStreamChange;
    std::function<void(int available, int current)> OnDVDAngleChange;
    std::function<void(int available, int current)> OnDVDButtonChange;
    std::function<void(ULONG prohibited)> OnDVDValidUOPSChange;
    std::function<void(bool buttonsAvailable, DWORD seconds)> OnDVDStillOn;
    std::function<void()> OnDVDStillOff;
    std::function<void(const DVD_HMSF_TIMECODE& time, DWORD flags)> OnDVDCurrentTime;
    std::function<void()> OnDVDErrorUnexpected;
    std::function<void()> OnDVDErrorCopyProtectFail;
    std::function<void()> OnDVDErrorInvalidDVD1_0Disc;
    std::function<void()> OnDVDErrorInvalidDiscRegion;
    std::function<void()> OnDVDErrorLowParentalLevel;
    std::function<void()> OnDVDErrorMacrovisionFail;
    std::function<void()> OnDVDErrorIncompatibleSystemAndDecoderRegions;
    std::function<void()> OnDVDErrorIncompatibleDiscAndDecoderRegions;
    std::function<void(LONG_PTR data)> OnDVDWarningInvalidDVD1_0Disc;
    std::function<void(LONG_PTR data)> OnDVDWarningFormatNotSupported;
    std::function<void(LONG_PTR data)> OnDVDWarningIllegalNavCommand;
    std::function<void(LONG_PTR data)> OnDVDWarningOpen;
    std::function<void(LONG_PTR data)> OnDVDWarningSeek;
    std::function<void(LONG_PTR data)> OnDVDWarningRead;
    std::function<void()> OnDVDChapterAutoStop;
    std::function<void()> OnDVDNoFP_PGC;
    std::function<void(double rate)> OnDVDPlaybackRateChange;
    std::function<void(int level)> OnDVDParentalLevelChange;
    std::function<void(DVD_PB_STOPPED reason)> OnDVDPlaybackStopped;
    std::function<void(bool available)> OnDVDAnglesAvailable;
    std::function<void()> OnDVDPlayPeriodAutoStop;
    std::function<void(int button)> OnDVDButtonAutoActivated;
    std::function<void(DWORD command, HRESULT result)> OnDVDCMDStart;
    std::function<void(DWORD command, HRESULT result)> OnDVDCMDEnd;
    std::function<void()> OnDVDDiscEjected;
    std::function<void()> OnDVDDiscInserted;
    std::function<void(const DVD_HMSF_TIMECODE& time, DWORD flags)> OnDVDCurrentHMSFTime;
    std::function<void(bool played)> OnDVDKaraokeMode;

    // Returning false makes the graph skip the filter.
    std::function<bool(IMoniker* moniker, const std::wstring& name, const GUID& classId)> OnSelectedFilter;
    std::function<bool(IBaseFilter* filter, const GUID& classId)> OnCreatedFilter;
    // Returning true makes the graph try the pin again.
    std::function<bool(IPin* pin)> OnUnableToRender;

private:
    // The COM face the graph calls back: the site handed to the graph. It is
    // reference counted on its own and cut loose from this component at
    // deactivation, so that a graph that outlives the component (a graph
    // viewer holds it through the running object table, or any other
    // reference) calls an object that is still there and does nothing.
    class Callbacks final : public IAMGraphBuilderCallback, public IAMFilterGraphCallback, public IServiceProvider {
    public:
        explicit Callbacks(TFilterGraph& graph) : graph_(&graph) {}
        Callbacks(const Callbacks&) = delete;
        Callbacks& operator=(const Callbacks&) = delete;

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* moniker) override;
        HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* filter) override;
        HRESULT STDMETHODCALLTYPE UnableToRender(IPin* pin) override;
        HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

        long References() const { return references_; }
        // The component, or null once cut loose.
        TFilterGraph* Owner() const { return graph_; }
        void Detach() { graph_ = nullptr; }

    private:
        ~Callbacks() = default;
        TFilterGraph* graph_;
        long references_ = 1;
    };
    static ComPtr<Callbacks> NewCallbacks(TFilterGraph& graph);

    void Activate();
    void Deactivate();
    void StopStreaming();
    void InsertProvidedFilters();
    void RemoveProvidedFilters();
    void TakeOutFilter(IFilterProvider& provider);
    void AddToRot();
    void RemoveFromRot();
    void OpenLog();
    void CloseLog();
    bool IsProvider(IFilterProvider* provider) const;
    bool IsListener(IGraphListener* listener) const;
    void RaiseCodeEvent(long code, LONG_PTR param1, LONG_PTR param2);
    void RaiseDvdEvent(long code, LONG_PTR param1, LONG_PTR param2);
    LCID DvdStreamLocale(long code, ULONG stream);
    void ReleaseSite();

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
    ComPtr<Callbacks> callbacks_ = NewCallbacks(*this);
    // DirectShow's threads post GraphNotifyMessage here; the events are fetched on the GUI thread.
    ui::HiddenWindow notifyWindow_{"KorvaneGraphNotify", [this](UINT msg, WPARAM, LPARAM) {
        if (msg != GraphNotifyMessage)
            return false;
        DrainGraphEvents();
        return true;
    }, WS_POPUP, nullptr};
};

} // namespace korvane
