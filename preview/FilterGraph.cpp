#include "preview/FilterGraph.h"

#include <evcode.h>
#include <ocidl.h>
#include <servprov.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

#include "preview/CheckResult.h"
#include "ui/Application.h"
#include "preview/FilterList.h"
#include "preview/MediaUnits.h"

namespace korvane {

// {4995F511-9DDB-4F12-BD3B-F04611807B79}
const IID IID_AMGraphBuilderCallback = {0x4995f511, 0x9ddb, 0x4f12, {0xbd, 0x3b, 0xf0, 0x46, 0x11, 0x80, 0x7b, 0x79}};
// {56A868FD-0AD4-11CE-B0A3-0020AF0BA770}
const IID IID_AMFilterGraphCallback = {0x56a868fd, 0x0ad4, 0x11ce, {0xb0, 0xa3, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
// {C726DB5E-5CE9-42AF-86E6-48E4FBFAF1DF}
const GUID SID_KorvaneFilterGraph = {0xc726db5e, 0x5ce9, 0x42af, {0x86, 0xe6, 0x48, 0xe4, 0xfb, 0xfa, 0xf1, 0xdf}};

namespace {


std::wstring Widen(const std::string& s)
{
    if (s.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

// Frees the parameters of one fetched event whatever its handling does.
class FetchedEvent {
public:
    explicit FetchedEvent(IMediaEventEx* events) : events_(events) {}
    ~FetchedEvent()
    {
        if (fetched_)
            events_->FreeEventParams(code, param1, param2);
    }
    FetchedEvent(const FetchedEvent&) = delete;
    FetchedEvent& operator=(const FetchedEvent&) = delete;

    bool Fetch()
    {
        fetched_ = events_->GetEvent(&code, &param1, &param2, 0) == S_OK;
        return fetched_;
    }

    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;

private:
    IMediaEventEx* events_;
    bool fetched_ = false;
};

} // namespace


// ---- the COM face the graph calls back ----

HRESULT STDMETHODCALLTYPE TFilterGraph::Callbacks::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_AMGraphBuilderCallback))
        *out = static_cast<IAMGraphBuilderCallback*>(this);
    else if (IsEqualIID(iid, IID_AMFilterGraphCallback))
        *out = static_cast<IAMFilterGraphCallback*>(this);
    else if (IsEqualIID(iid, IID_IServiceProvider))
        *out = static_cast<IServiceProvider*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE TFilterGraph::Callbacks::AddRef()
{
    return static_cast<ULONG>(++references_);
}

ULONG STDMETHODCALLTYPE TFilterGraph::Callbacks::Release()
{
    const long left = --references_;
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

ComPtr<TFilterGraph::Callbacks> TFilterGraph::NewCallbacks(TFilterGraph& graph)
{
    ComPtr<Callbacks> c;
    *c.Put() = new Callbacks(graph);
    return c;
}

HRESULT STDMETHODCALLTYPE TFilterGraph::Callbacks::SelectedFilter(IMoniker* moniker)
{
    try {
        if (!graph_ || !graph_->OnSelectedFilter)
            return S_OK;
        std::wstring name;
        GUID classId = GUID_NULL;
        ComPtr<IPropertyBag> bag;
        if (moniker && SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()))) {
            VARIANT v;
            VariantInit(&v);
            if (SUCCEEDED(bag->Read(L"CLSID", &v, nullptr)) && v.vt == VT_BSTR)
                CLSIDFromString(v.bstrVal, &classId);
            VariantClear(&v);
            if (SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR)
                name = v.bstrVal;
            VariantClear(&v);
        }
        return graph_->OnSelectedFilter(moniker, name, classId) ? S_OK : E_FAIL;
    } catch (...) {
        ui::App().HandleCurrentException();
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE TFilterGraph::Callbacks::CreatedFilter(IBaseFilter* filter)
{
    try {
        if (!graph_ || !graph_->OnCreatedFilter)
            return S_OK;
        CLSID classId = GUID_NULL;
        if (filter)
            filter->GetClassID(&classId);
        return graph_->OnCreatedFilter(filter, classId) ? S_OK : E_FAIL;
    } catch (...) {
        ui::App().HandleCurrentException();
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE TFilterGraph::Callbacks::UnableToRender(IPin* pin)
{
    try {
        if (!pin)
            return S_FALSE;
        // The pin may belong to any graph; ask that graph's site for its owner.
        PIN_INFO pinInfo{};
        if (FAILED(pin->QueryPinInfo(&pinInfo)) || !pinInfo.pFilter)
            return S_FALSE;
        ComPtr<IBaseFilter> filter;
        *filter.Put() = pinInfo.pFilter;
        FILTER_INFO filterInfo{};
        if (FAILED(filter->QueryFilterInfo(&filterInfo)) || !filterInfo.pGraph)
            return S_FALSE;
        ComPtr<IFilterGraph> graph;
        *graph.Put() = filterInfo.pGraph;
        ComPtr<IServiceProvider> services;
        if (FAILED(graph.QueryTo(IID_IServiceProvider, services)))
            return S_FALSE;
        ComPtr<IServiceProvider> found;
        if (services->QueryService(SID_KorvaneFilterGraph, SID_KorvaneFilterGraph, found.PutVoid()) != S_OK || !found)
            return S_FALSE;
        // Only our own callbacks answer this service.
        TFilterGraph* owner = static_cast<Callbacks*>(found.Get())->Owner();
        if (owner && owner->OnUnableToRender && owner->OnUnableToRender(pin))
            return S_OK;
        return S_FALSE;
    } catch (...) {
        ui::App().HandleCurrentException();
        return S_FALSE;
    }
}

HRESULT STDMETHODCALLTYPE TFilterGraph::Callbacks::QueryService(REFGUID service, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(service, SID_KorvaneFilterGraph) || !IsEqualIID(iid, SID_KorvaneFilterGraph))
        return E_NOINTERFACE;
    *out = static_cast<IServiceProvider*>(this);
    AddRef();
    return S_OK;
}

// ---- log file ----

bool TFilterGraph::LogStream::Create(const std::string& path)
{
    Close();
    handle_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle_ != INVALID_HANDLE_VALUE;
}

void TFilterGraph::LogStream::Close()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

// ---- the component ----

TFilterGraph::TFilterGraph(ui::Component* owner) : ui::Component(owner) {}

TFilterGraph::~TFilterGraph()
{
    try {
        SetActive(false);
    } catch (...) {
        ui::App().HandleCurrentException();
    }
    callbacks_->Detach();
}

void TFilterGraph::Loaded()
{
    if (autoCreate_)
        SetActive(true);
    ui::Component::Loaded();
}

void TFilterGraph::SetActive(bool value)
{
    if (value == active_)
        return;
    if (value)
        Activate();
    else
        Deactivate();
}

void TFilterGraph::SetMode(TGraphMode value)
{
    if (value == mode_)
        return;
    const bool wasActive = active_;
    SetActive(false);
    mode_ = value;
    SetActive(wasActive);
}

void TFilterGraph::Activate()
{
    // Creation failures leave the graph empty; every later call copes with that.
    switch (mode_) {
    case gmNormal:
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph2, graph_.PutVoid());
        break;
    case gmCapture:
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                         captureBuilder_.PutVoid());
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph2, graph_.PutVoid());
        if (captureBuilder_ && graph_)
            captureBuilder_->SetFiltergraph(graph_.Get());
        break;
    case gmDVD:
        CoCreateInstance(CLSID_DvdGraphBuilder, nullptr, CLSCTX_INPROC_SERVER, IID_IDvdGraphBuilder,
                         dvdBuilder_.PutVoid());
        if (dvdBuilder_) {
            ComPtr<IGraphBuilder> builder;
            if (SUCCEEDED(dvdBuilder_->GetFiltergraph(builder.Put())) && builder)
                builder.QueryTo(IID_IFilterGraph2, graph_);
        }
        break;
    }
    active_ = true;

    if (SUCCEEDED(QueryInterface(IID_IMediaEventEx, events_.PutVoid())) && events_) {
        events_->SetNotifyFlags(0);
        events_->SetNotifyWindow(reinterpret_cast<OAHWND>(notifyWindow_.operator HWND()), GraphNotifyMessage,
                                 reinterpret_cast<LONG_PTR>(events_.Get()));
    } else {
        events_.Reset();
    }

    ComPtr<IObjectWithSite> site;
    if (graph_ && SUCCEEDED(graph_.QueryTo(IID_IObjectWithSite, site))) {
        site->SetSite(static_cast<IAMGraphBuilderCallback*>(callbacks_.Get()));
        site->SetSite(static_cast<IAMFilterGraphCallback*>(callbacks_.Get()));
    }

    SetGraphEdit(graphEdit_);
    SetLogFile(logFile_);
    InsertProvidedFilters();
    if (OnActivate)
        OnActivate();
    NotifyControlEvent(ControlActive, 1);
}

void TFilterGraph::Deactivate()
{
    // Whatever a listener or a provider raises, the graph is let go of in
    // full: a graph that outlived this component would call back into it.
    std::exception_ptr failure;
    try {
        NotifyControlEvent(ControlActive, 0);
        StopStreaming();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        RemoveProvidedFilters();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (events_) {
        events_->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
        events_->SetNotifyWindow(0, 0, 0);
        events_.Reset();
    }
    RemoveFromRot();
    if (graph_)
        graph_->SetLogFile(0);
    log_.Close();
    ReleaseSite();
    graph_.Reset();
    captureBuilder_.Reset();
    dvdBuilder_.Reset();
    active_ = false;
    if (failure)
        std::rethrow_exception(failure);
}

// The graph may live on after this component (a graph viewer holds it through
// the running object table, or any other reference) and keep its site: that
// site is cut loose, and the next activation hands out a fresh one. A null
// site would do on Windows, but Wine's graph cannot take one.
void TFilterGraph::ReleaseSite()
{
    callbacks_->Detach();
    callbacks_ = NewCallbacks(*this);
}

// Filters are taken out of a stopped graph only: a renderer pulled from under
// a running decoder leaves that decoder's streaming thread stuck, or the
// graph's own state change running on a filter that is gone. The listeners
// hear of the stop like of any other, so that nothing follows a stopped graph.
void TFilterGraph::StopStreaming()
{
    ComPtr<IMediaControl> control;
    if (!graph_ || FAILED(graph_.QueryTo(IID_IMediaControl, control)))
        return;
    NotifyControlEvent(ControlStop, 0);
    control->Stop();
}

void TFilterGraph::InsertProvidedFilters()
{
    const auto providers = providers_;
    for (IFilterProvider* p : providers) {
        if (!IsProvider(p))
            continue;
        p->FilterOperation(FilterAdding, 0);
        if (graph_)
            graph_->AddFilter(p->ProvideFilter(), Widen(p->ProvideFilterName()).c_str());
        p->FilterOperation(FilterAdded, 0);
    }
}

void TFilterGraph::RemoveProvidedFilters()
{
    // Every provider is told, even after one of them failed.
    std::exception_ptr failure;
    const auto providers = providers_;
    for (IFilterProvider* p : providers) {
        if (!IsProvider(p))
            continue;
        try {
            TakeOutFilter(*p);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

// A provider that fails to let go of its filter still sees it leave the graph.
void TFilterGraph::TakeOutFilter(IFilterProvider& provider)
{
    std::exception_ptr failure;
    try {
        provider.FilterOperation(FilterRemoving, 0);
    } catch (...) {
        failure = std::current_exception();
    }
    if (graph_)
        graph_->RemoveFilter(provider.ProvideFilter());
    provider.FilterOperation(FilterRemoved, 0);
    if (failure)
        std::rethrow_exception(failure);
}

bool TFilterGraph::IsProvider(IFilterProvider* provider) const
{
    return std::find(providers_.begin(), providers_.end(), provider) != providers_.end();
}

void TFilterGraph::SetGraphEdit(bool value)
{
    if (!value)
        RemoveFromRot();
    else if (rotCookie_ == 0 && active_)
        AddToRot();
    graphEdit_ = value;
}

void TFilterGraph::AddToRot()
{
    if (!graph_)
        return;
    ComPtr<IRunningObjectTable> rot;
    if (FAILED(GetRunningObjectTable(0, rot.Put())) || !rot)
        return;
    // The form external graph viewers look for: the graph's address as a
    // 32-bit pointer prints, then the process id.
    wchar_t name[64];
    swprintf(name, sizeof name / sizeof name[0], L"FilterGraph %08X pid %x",
             static_cast<unsigned>(reinterpret_cast<UINT_PTR>(graph_.Get())),
             static_cast<unsigned>(GetCurrentProcessId()));
    ComPtr<IMoniker> moniker;
    if (FAILED(CreateItemMoniker(L"!", name, moniker.Put())) || !moniker)
        return;
    DWORD cookie = 0;
    if (SUCCEEDED(rot->Register(0, graph_.Get(), moniker.Get(), &cookie)))
        rotCookie_ = cookie;
}

void TFilterGraph::RemoveFromRot()
{
    if (rotCookie_ == 0)
        return;
    ComPtr<IRunningObjectTable> rot;
    if (SUCCEEDED(GetRunningObjectTable(0, rot.Put())) && rot)
        rot->Revoke(rotCookie_);
    rotCookie_ = 0;
}

void TFilterGraph::SetLogFile(const std::string& path)
{
    if (active_ && graph_) {
        graph_->SetLogFile(0);
        log_.Close();
        if (!path.empty()) {
            if (!log_.Create(path)) {
                // Logging is a diagnostic: a path that cannot be written
                // switches it off and keeps the old setting.
                log_.Close();
                return;
            }
            graph_->SetLogFile(reinterpret_cast<DWORD_PTR>(log_.Get()));
        }
    }
    logFile_ = path;
}

void TFilterGraph::SetLinearVolume(bool value)
{
    if (value == linearVolume_)
        return;
    linearVolume_ = value;
    SetVolume(volume_);
    SetBalance(balance_);
}

void TFilterGraph::SetVolume(std::int32_t value)
{
    volume_ = ClampVolume(value);
    if (auto audio = Query<IBasicAudio>(IID_IBasicAudio))
        audio->put_Volume(linearVolume_ ? LinearToDirectShowVolume(volume_) : PlainToDirectShowVolume(volume_));
}

void TFilterGraph::SetBalance(std::int32_t value)
{
    balance_ = ClampBalance(value);
    if (auto audio = Query<IBasicAudio>(IID_IBasicAudio))
        audio->put_Balance(linearVolume_ ? LinearToDirectShowBalance(balance_) : balance_);
}

void TFilterGraph::SetPlaybackRate(double value)
{
    rate_ = value;
    if (auto seeking = Query<IMediaSeeking>(IID_IMediaSeeking))
        seeking->SetRate(value);
}

void TFilterGraph::ApplyAudioAndRate()
{
    SetVolume(volume_);
    SetBalance(balance_);
    SetPlaybackRate(rate_);
}

void TFilterGraph::AddFilterProvider(IFilterProvider& provider)
{
    providers_.push_back(&provider);
    if (!active_)
        return;
    provider.FilterOperation(FilterAdding, 0);
    if (graph_)
        graph_->AddFilter(provider.ProvideFilter(), Widen(provider.ProvideFilterName()).c_str());
    provider.FilterOperation(FilterAdded, 0);
}

void TFilterGraph::RemoveFilterProvider(IFilterProvider& provider)
{
    auto it = std::find(providers_.begin(), providers_.end(), &provider);
    if (it != providers_.end())
        providers_.erase(it);
    if (!active_)
        return;
    StopStreaming();
    TakeOutFilter(provider);
}

void TFilterGraph::AddGraphListener(IGraphListener& listener)
{
    listeners_.push_back(&listener);
}

void TFilterGraph::RemoveGraphListener(IGraphListener& listener)
{
    auto it = std::find(listeners_.begin(), listeners_.end(), &listener);
    if (it != listeners_.end())
        listeners_.erase(it);
}

HRESULT TFilterGraph::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    HRESULT hr = callbacks_->QueryInterface(iid, out);
    if (SUCCEEDED(hr) || !active_)
        return hr;
    switch (mode_) {
    case gmNormal:
        break;
    case gmCapture:
        if (captureBuilder_ && SUCCEEDED(hr = captureBuilder_->QueryInterface(iid, out)))
            return hr;
        break;
    case gmDVD:
        if (dvdBuilder_) {
            if (SUCCEEDED(hr = dvdBuilder_->QueryInterface(iid, out)))
                return hr;
            if (SUCCEEDED(hr = dvdBuilder_->GetDvdInterface(iid, out)))
                return hr;
        }
        break;
    }
    if (!graph_) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    return graph_->QueryInterface(iid, out);
}

void TFilterGraph::EmptyGraph()
{
    if (!graph_)
        return;
    Stop();
    DisconnectAllPins();
    TFilterList filters(graph_.Get());
    for (IFilterProvider* p : providers_)
        filters.Remove(p->ProvideFilter());
    for (std::size_t i = 0; i < filters.Count(); ++i)
        CheckResult(graph_->RemoveFilter(filters.Items(i)));
}

void TFilterGraph::DisconnectAllPins()
{
    if (!graph_)
        return;
    TFilterList filters(graph_.Get());
    for (std::size_t f = 0; f < filters.Count(); ++f) {
        // One pin at a time, each from a fresh enumeration, holding no other
        // pin meanwhile: a splitter may delete its output pins when its input
        // goes, and a reference kept to one of them would dangle.
        for (int guard = 0; guard < 256; ++guard) {
            ComPtr<IPin> pin = FirstConnectedPin(filters.Items(f));
            if (!pin)
                break;
            ComPtr<IPin> peer;
            if (SUCCEEDED(pin->ConnectedTo(peer.Put())) && peer)
                CheckResult(peer->Disconnect());
            CheckResult(pin->Disconnect());
        }
    }
}

HRESULT TFilterGraph::RenderMediaFile(const std::wstring& path)
{
    if (!graph_)
        return S_FALSE;
    NotifyControlEvent(ControlFileRendering, 0);
    const HRESULT hr = CheckResult(graph_->RenderFile(path.c_str(), nullptr));
    ApplyAudioAndRate();
    NotifyControlEvent(ControlFileRendered, 0);
    return hr;
}

bool TFilterGraph::Play()
{
    auto control = Query<IMediaControl>(IID_IMediaControl);
    if (!control)
        return false;
    NotifyControlEvent(ControlPlay, 0);
    CheckResult(control->Run());
    return true;
}

bool TFilterGraph::Pause()
{
    auto control = Query<IMediaControl>(IID_IMediaControl);
    if (!control)
        return false;
    NotifyControlEvent(ControlPause, 0);
    return CheckResult(control->Pause()) == S_OK;
}

bool TFilterGraph::Stop()
{
    auto control = Query<IMediaControl>(IID_IMediaControl);
    if (!control)
        return false;
    NotifyControlEvent(ControlStop, 0);
    return CheckResult(control->Stop()) == S_OK;
}

HRESULT TFilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    auto seeking = Query<IMediaSeeking>(IID_IMediaSeeking);
    if (!seeking)
        return E_NOINTERFACE;
    auto control = Query<IMediaControl>(IID_IMediaControl);
    if (!control)
        return seeking->SetPositions(current, currentFlags, stop, stopFlags);
    // In a transition the state reported is the one being entered.
    OAFilterState state = State_Stopped;
    const bool known = SUCCEEDED(control->GetState(0, &state));
    if (!known) {
        // Which state to return to is unknown: the graph stays stopped, and
        // the listeners learn so.
        NotifyControlEvent(ControlStop, 0);
        state = State_Stopped;
    }
    control->Stop();
    const HRESULT hr = seeking->SetPositions(current, currentFlags, stop, stopFlags);
    if (state == State_Running)
        control->Run();
    else if (state == State_Paused)
        control->Pause();
    return hr;
}

std::int32_t TFilterGraph::GetDurationMs()
{
    auto seeking = Query<IMediaSeeking>(IID_IMediaSeeking);
    if (!seeking)
        return 0;
    LONGLONG duration = 0;
    if (FAILED(seeking->GetDuration(&duration)))
        return 0;
    return ReferenceTimeToMs(duration);
}

LONGLONG TFilterGraph::CurrentPosition()
{
    auto seeking = Query<IMediaSeeking>(IID_IMediaSeeking);
    LONGLONG position = -1;
    if (!seeking || FAILED(seeking->GetCurrentPosition(&position)))
        return -1;
    return position;
}

LONGLONG TFilterGraph::Duration()
{
    auto seeking = Query<IMediaSeeking>(IID_IMediaSeeking);
    LONGLONG duration = -1;
    if (!seeking || FAILED(seeking->GetDuration(&duration)))
        return -1;
    return duration;
}

namespace {

// How long a paused graph may take to show the picture of a seek or a step.
constexpr DWORD kStillWaitMs = 5000;

void WaitForStill(IMediaControl* control)
{
    OAFilterState state = State_Stopped;
    control->GetState(kStillWaitMs, &state);
}

} // namespace

bool TFilterGraph::PauseForStill()
{
    auto control = Query<IMediaControl>(IID_IMediaControl);
    if (!control)
        return false;
    OAFilterState state = State_Stopped;
    if (FAILED(control->GetState(kStillWaitMs, &state)))
        return false;
    if (state != State_Paused)
        Pause();
    WaitForStill(control.Get());
    return SUCCEEDED(control->GetState(0, &state)) && state == State_Paused;
}

void TFilterGraph::SeekTo(LONGLONG position)
{
    const LONGLONG duration = Duration();
    if (duration > 0 && position > duration)
        position = duration;
    if (position < 0)
        position = 0;
    LONGLONG stop = 0;
    SetPositions(&position, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
    if (auto control = Query<IMediaControl>(IID_IMediaControl))
        WaitForStill(control.Get());
}

double TFilterGraph::FrameTime()
{
    auto video = Query<IBasicVideo>(IID_IBasicVideo);
    REFTIME seconds = 0;
    if (!video || FAILED(video->get_AvgTimePerFrame(&seconds)) || !(seconds > 0) || seconds > 10)
        return 0;
    return seconds * 10000000.0;
}

bool TFilterGraph::StepOneFrame()
{
    auto step = Query<IVideoFrameStep>(IID_IVideoFrameStep);
    if (!step || step->CanStep(0, nullptr) != S_OK || FAILED(step->Step(1, nullptr)))
        return false;
    if (auto control = Query<IMediaControl>(IID_IMediaControl))
        WaitForStill(control.Get());
    return true;
}

void TFilterGraph::DrainGraphEvents()
{
    try {
        // events_ is re-read each turn: a handler may deactivate the graph.
        while (events_) {
            ComPtr<IMediaEventEx> events = events_.Share();
            FetchedEvent e(events.Get());
            if (!e.Fetch())
                break;
            HandleGraphEvent(e.code, e.param1, e.param2);
        }
    } catch (...) {
        ui::App().HandleCurrentException();
    }
}

void TFilterGraph::HandleGraphEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    const auto listeners = listeners_;
    for (IGraphListener* l : listeners)
        if (IsListener(l))
            l->GraphEventArrived(code, param1, param2);
    if (OnDSEvent)
        OnDSEvent(code, param1, param2);
    RaiseCodeEvent(code, param1, param2);
}

namespace {

// Calls a handler when one is assigned.
template <class F, class... A>
void Raise(const std::function<F>& handler, A&&... args)
{
    if (handler)
        handler(std::forward<A>(args)...);
}

bool AsBool(LONG_PTR p)
{
    return p != 0;
}

DWORD AsDword(LONG_PTR p)
{
    return static_cast<DWORD>(p);
}

// The DVD navigator packs its time codes into the event's first parameter.
DVD_HMSF_TIMECODE HmsfTimeCode(LONG_PTR p)
{
    const auto packed = static_cast<ULONG>(p);
    DVD_HMSF_TIMECODE t{};
    static_assert(sizeof t == sizeof packed);
    std::memcpy(&t, &packed, sizeof t);
    return t;
}

DVD_HMSF_TIMECODE BcdTimeCode(LONG_PTR p)
{
    const auto packed = static_cast<ULONG>(p);
    DVD_TIMECODE bcd{};
    static_assert(sizeof bcd == sizeof packed);
    std::memcpy(&bcd, &packed, sizeof bcd);
    DVD_HMSF_TIMECODE t{};
    t.bHours = static_cast<BYTE>(bcd.Hours10 * 10 + bcd.Hours1);
    t.bMinutes = static_cast<BYTE>(bcd.Minutes10 * 10 + bcd.Minutes1);
    t.bSeconds = static_cast<BYTE>(bcd.Seconds10 * 10 + bcd.Seconds1);
    t.bFrames = static_cast<BYTE>(bcd.Frames10 * 10 + bcd.Frames1);
    return t;
}

std::wstring BstrText(LONG_PTR p)
{
    const auto b = reinterpret_cast<BSTR>(p);
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

} // namespace

std::string LocaleLanguageName(LCID locale)
{
    if (locale == 0)
        return {};
    char name[128] = {};
    if (GetLocaleInfoA(locale, LOCALE_SENGLANGUAGE, name, sizeof name) <= 0)
        return {};
    return name;
}

void TFilterGraph::RaiseCodeEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    switch (code) {
    case EC_COMPLETE: Raise(OnGraphComplete, static_cast<HRESULT>(param1)); break;
    case EC_USERABORT: Raise(OnGraphUserAbort); break;
    case EC_ERRORABORT: Raise(OnGraphErrorAbort, static_cast<HRESULT>(param1)); break;
    case EC_STREAM_ERROR_STOPPED:
        Raise(OnGraphStreamErrorStopped, static_cast<HRESULT>(param1), AsDword(param2));
        break;
    case EC_STREAM_ERROR_STILLPLAYING:
        Raise(OnGraphStreamErrorStillPlaying, static_cast<HRESULT>(param1), AsDword(param2));
        break;
    case EC_ERROR_STILLPLAYING: Raise(OnGraphErrorStillPlaying, static_cast<HRESULT>(param1)); break;
    case EC_PALETTE_CHANGED: Raise(OnGraphPaletteChanged); break;
    case EC_VIDEO_SIZE_CHANGED:
        Raise(OnGraphVideoSizeChanged, static_cast<int>(LOWORD(param1)), static_cast<int>(HIWORD(param1)));
        break;
    case EC_QUALITY_CHANGE: Raise(OnGraphQualityChange); break;
    case EC_CLOCK_CHANGED: Raise(OnGraphClockChanged); break;
    case EC_PAUSED: Raise(OnGraphPaused, static_cast<HRESULT>(param1)); break;
    case EC_OPENING_FILE: Raise(OnGraphOpeningFile, AsBool(param1)); break;
    case EC_BUFFERING_DATA: Raise(OnGraphBufferingData, AsBool(param1)); break;
    case EC_FULLSCREEN_LOST: Raise(OnGraphFullscreenLost, reinterpret_cast<IBaseFilter*>(param2)); break;
    case EC_OLE_EVENT: Raise(OnGraphOleEvent, BstrText(param1), BstrText(param2)); break;
    case EC_STREAM_CONTROL_STOPPED:
        Raise(OnGraphStreamControlStopped, reinterpret_cast<IPin*>(param1), AsDword(param2));
        break;
    case EC_STREAM_CONTROL_STARTED:
        Raise(OnGraphStreamControlStarted, reinterpret_cast<IPin*>(param1), AsDword(param2));
        break;
    case EC_END_OF_SEGMENT: {
        const auto* at = reinterpret_cast<const REFERENCE_TIME*>(param1);
        Raise(OnGraphEndOfSegment, at ? *at : REFERENCE_TIME{0}, AsDword(param2));
        break;
    }
    case EC_DEVICE_LOST: Raise(OnGraphDeviceLost, reinterpret_cast<IUnknown*>(param1), AsBool(param2)); break;
    case EC_STEP_COMPLETE: Raise(OnGraphStepComplete, AsBool(param1)); break;
    case EC_TIMECODE_AVAILABLE:
        Raise(OnGraphTimeCodeAvailable, reinterpret_cast<IBaseFilter*>(param1), AsDword(param2));
        break;
    case EC_EXTDEVICE_MODE_CHANGE: Raise(OnGraphEXTDeviceModeChange, AsDword(param1), AsDword(param2)); break;
    case EC_GRAPH_CHANGED: Raise(OnGraphChanged); break;
    case EC_CLOCK_UNSET: Raise(OnGraphClockUnset); break;
    case EC_VMR_RENDERDEVICE_SET: Raise(OnGraphVMRRenderDevice, AsDword(param1)); break;
    case EC_SNDDEV_IN_ERROR:
        Raise(OnGraphSNDDevInError, static_cast<SNDDEV_ERR>(param1), AsDword(param2));
        break;
    case EC_SNDDEV_OUT_ERROR:
        Raise(OnGraphSNDDevOutError, static_cast<SNDDEV_ERR>(param1), AsDword(param2));
        break;
    default:
        RaiseDvdEvent(code, param1, param2);
        break;
    }
}

void TFilterGraph::RaiseDvdEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    switch (code) {
    case EC_DVD_DOMAIN_CHANGE:
        switch (param1) {
        case DVD_DOMAIN_FirstPlay: Raise(OnDVDDomainFirstPlay); break;
        case DVD_DOMAIN_VideoManagerMenu: Raise(OnDVDDomainVideoManagerMenu); break;
        case DVD_DOMAIN_VideoTitleSetMenu: Raise(OnDVDDomainVideoTitleSetMenu); break;
        case DVD_DOMAIN_Title: Raise(OnDVDDomainTitle); break;
        case DVD_DOMAIN_Stop: Raise(OnDVDDomainStop); break;
        default: break;
        }
        break;
    case EC_DVD_TITLE_CHANGE: Raise(OnDVDTitleChange, static_cast<int>(param1)); break;
    case EC_DVD_CHAPTER_START: Raise(OnDVDChapterStart, static_cast<int>(param1)); break;
    case EC_DVD_AUDIO_STREAM_CHANGE:
    case EC_DVD_SUBPICTURE_STREAM_CHANGE: {
        auto& handler = code == EC_DVD_AUDIO_STREAM_CHANGE ? OnDVDAudioStreamChange : OnDVDSubpictureStreamChange;
        if (!handler)
            break;
        const LCID locale = DvdStreamLocale(code, static_cast<ULONG>(param1));
        handler(static_cast<int>(param1), locale, LocaleLanguageName(locale));
        break;
    }
    case EC_DVD_ANGLE_CHANGE: Raise(OnDVDAngleChange, static_cast<int>(param1), static_cast<int>(param2)); break;
    case EC_DVD_BUTTON_CHANGE: Raise(OnDVDButtonChange, static_cast<int>(param1), static_cast<int>(param2)); break;
    case EC_DVD_VALID_UOPS_CHANGE: Raise(OnDVDValidUOPSChange, static_cast<ULONG>(param1)); break;
    case EC_DVD_STILL_ON: Raise(OnDVDStillOn, AsBool(param1), AsDword(param2)); break;
    case EC_DVD_STILL_OFF: Raise(OnDVDStillOff); break;
    case EC_DVD_CURRENT_TIME: Raise(OnDVDCurrentTime, BcdTimeCode(param1), AsDword(param2)); break;
    case EC_DVD_ERROR:
        switch (param1) {
        case DVD_ERROR_Unexpected: Raise(OnDVDErrorUnexpected); break;
        case DVD_ERROR_CopyProtectFail: Raise(OnDVDErrorCopyProtectFail); break;
        case DVD_ERROR_InvalidDVD1_0Disc: Raise(OnDVDErrorInvalidDVD1_0Disc); break;
        case DVD_ERROR_InvalidDiscRegion: Raise(OnDVDErrorInvalidDiscRegion); break;
        case DVD_ERROR_LowParentalLevel: Raise(OnDVDErrorLowParentalLevel); break;
        case DVD_ERROR_MacrovisionFail: Raise(OnDVDErrorMacrovisionFail); break;
        case DVD_ERROR_IncompatibleSystemAndDecoderRegions: Raise(OnDVDErrorIncompatibleSystemAndDecoderRegions); break;
        case DVD_ERROR_IncompatibleDiscAndDecoderRegions: Raise(OnDVDErrorIncompatibleDiscAndDecoderRegions); break;
        default: break;
        }
        break;
    case EC_DVD_WARNING:
        switch (param1) {
        case DVD_WARNING_InvalidDVD1_0Disc: Raise(OnDVDWarningInvalidDVD1_0Disc, param2); break;
        case DVD_WARNING_FormatNotSupported: Raise(OnDVDWarningFormatNotSupported, param2); break;
        case DVD_WARNING_IllegalNavCommand: Raise(OnDVDWarningIllegalNavCommand, param2); break;
        case DVD_WARNING_Open: Raise(OnDVDWarningOpen, param2); break;
        case DVD_WARNING_Seek: Raise(OnDVDWarningSeek, param2); break;
        case DVD_WARNING_Read: Raise(OnDVDWarningRead, param2); break;
        default: break;
        }
        break;
    case EC_DVD_CHAPTER_AUTOSTOP: Raise(OnDVDChapterAutoStop); break;
    case EC_DVD_NO_FP_PGC: Raise(OnDVDNoFP_PGC); break;
    case EC_DVD_PLAYBACK_RATE_CHANGE: Raise(OnDVDPlaybackRateChange, static_cast<LONG>(param1) / 10000.0); break;
    case EC_DVD_PARENTAL_LEVEL_CHANGE: Raise(OnDVDParentalLevelChange, static_cast<int>(param1)); break;
    case EC_DVD_PLAYBACK_STOPPED: Raise(OnDVDPlaybackStopped, static_cast<DVD_PB_STOPPED>(param1)); break;
    case EC_DVD_ANGLES_AVAILABLE: Raise(OnDVDAnglesAvailable, AsBool(param1)); break;
    case EC_DVD_PLAYPERIOD_AUTOSTOP: Raise(OnDVDPlayPeriodAutoStop); break;
    case EC_DVD_BUTTON_AUTO_ACTIVATED: Raise(OnDVDButtonAutoActivated, static_cast<int>(param1)); break;
    case EC_DVD_CMD_START: Raise(OnDVDCMDStart, AsDword(param1), static_cast<HRESULT>(param2)); break;
    case EC_DVD_CMD_END: Raise(OnDVDCMDEnd, AsDword(param1), static_cast<HRESULT>(param2)); break;
    case EC_DVD_DISC_EJECTED: Raise(OnDVDDiscEjected); break;
    case EC_DVD_DISC_INSERTED: Raise(OnDVDDiscInserted); break;
    case EC_DVD_CURRENT_HMSF_TIME: Raise(OnDVDCurrentHMSFTime, HmsfTimeCode(param1), AsDword(param2)); break;
    case EC_DVD_KARAOKE_MODE: Raise(OnDVDKaraokeMode, AsBool(param1)); break;
    default:
        break;
    }
}

// The navigator knows each stream's language; a graph without one says 0.
LCID TFilterGraph::DvdStreamLocale(long code, ULONG stream)
{
    auto info = Query<IDvdInfo2>(IID_IDvdInfo2);
    LCID locale = 0;
    if (!info)
        return 0;
    const HRESULT hr = code == EC_DVD_AUDIO_STREAM_CHANGE ? info->GetAudioLanguage(stream, &locale)
                                                          : info->GetSubpictureLanguage(stream, &locale);
    return SUCCEEDED(hr) ? locale : 0;
}

void TFilterGraph::NotifyControlEvent(TControlEvent code, int param)
{
    const auto listeners = listeners_;
    for (IGraphListener* l : listeners)
        if (IsListener(l))
            l->ControlEventArrived(code, param);
}

// A listener may detach another one while it is being told; the detached one
// must not be called any more.
bool TFilterGraph::IsListener(IGraphListener* listener) const
{
    return std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end();
}

} // namespace korvane
