#include "preview/TurnFilter.h"

#include "preview/ComPtr.h"
#include "preview/MovieRotation.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace korvane {
namespace {

// {6B1F2A0C-3D84-4C71-9E55-2F0A7C1D4B93}
const CLSID CLSID_KorvanePictureTurn = {0x6b1f2a0c, 0x3d84, 0x4c71, {0x9e, 0x55, 0x2f, 0x0a, 0x7c, 0x1d, 0x4b, 0x93}};

void FreeType(AM_MEDIA_TYPE& mt)
{
    if (mt.pbFormat)
        CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk)
        mt.pUnk->Release();
    mt = AM_MEDIA_TYPE{};
}

HRESULT CopyType(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from)
{
    to = from;
    to.pbFormat = nullptr;
    if (from.cbFormat && from.pbFormat) {
        to.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
        if (!to.pbFormat) {
            to.cbFormat = 0;
            return E_OUTOFMEMORY;
        }
        std::memcpy(to.pbFormat, from.pbFormat, from.cbFormat);
    }
    if (to.pUnk)
        to.pUnk->AddRef();
    return S_OK;
}

const BITMAPINFOHEADER* Header(const AM_MEDIA_TYPE& mt)
{
    return &reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
}

// 32-bit RGB in a plain video format, of a size a picture can have.
bool Turnable(const AM_MEDIA_TYPE& mt)
{
    if (mt.majortype != MEDIATYPE_Video || mt.subtype != MEDIASUBTYPE_RGB32 || mt.formattype != FORMAT_VideoInfo ||
        !mt.pbFormat || mt.cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    const BITMAPINFOHEADER* h = Header(mt);
    const long height = std::labs(h->biHeight);
    return h->biBitCount == 32 && h->biWidth > 0 && height > 0 && h->biWidth <= 16384 && height <= 16384;
}

// A COM enumerator over a fixed list of pins or media types.
template <class Interface, class Item>
class ListEnum final : public Interface {
public:
    ListEnum(std::vector<Item*> items, IUnknown* owner, std::size_t at = 0)
        : items_(std::move(items)), owner_(ComPtr<IUnknown>::Share(owner)), at_(at)
    {
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item** out, ULONG* fetched) override
    {
        if (!out)
            return E_POINTER;
        ULONG n = 0;
        for (; n < count && at_ < items_.size(); ++n, ++at_)
            out[n] = Give(items_[at_]);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        at_ = std::min<std::size_t>(items_.size(), at_ + count);
        return at_ < items_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        at_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) override
    {
        if (!out)
            return E_POINTER;
        *out = new ListEnum(items_, owner_.Get(), at_);
        return S_OK;
    }

private:
    ~ListEnum() = default;
    static IPin* Give(IPin* pin)
    {
        pin->AddRef();
        return pin;
    }
    static AM_MEDIA_TYPE* Give(AM_MEDIA_TYPE* mt)
    {
        auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (copy && FAILED(CopyType(*copy, *mt))) {
            CoTaskMemFree(copy);
            copy = nullptr;
        }
        return copy;
    }
    std::vector<Item*> items_;
    ComPtr<IUnknown> owner_;   // keeps the listed items alive
    std::size_t at_;
    LONG refs_ = 1;
};

class TurnFilter;

// What both pins share: their filter (which counts their references), name
// and direction, and the peer and type of their connection.
class TurnPin : public IPin {
public:
    TurnPin(TurnFilter& filter, PIN_DIRECTION direction, const wchar_t* name)
        : filter_(filter), direction_(direction), name_(name)
    {
    }
    virtual ~TurnPin() { FreeType(type_); }

    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override
    {
        if (!pin)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(Lock());
        *pin = peer_.Share().Detach();
        return *pin ? S_OK : VFW_E_NOT_CONNECTED;
    }
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* mt) override
    {
        if (!mt)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(Lock());
        if (!peer_) {
            *mt = AM_MEDIA_TYPE{};
            return VFW_E_NOT_CONNECTED;
        }
        return CopyType(*mt, type_);
    }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override
    {
        if (!direction)
            return E_POINTER;
        *direction = direction_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override
    {
        if (!id)
            return E_POINTER;
        const std::size_t bytes = (std::wcslen(name_) + 1) * sizeof(wchar_t);
        *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        if (!*id)
            return E_OUTOFMEMORY;
        std::memcpy(*id, name_, bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }

    const wchar_t* Name() const { return name_; }
    ComPtr<IPin> Peer()
    {
        std::lock_guard<std::recursive_mutex> hold(Lock());
        return peer_.Share();
    }

protected:
    std::recursive_mutex& Lock();
    TurnFilter& filter_;
    const PIN_DIRECTION direction_;
    const wchar_t* name_;
    ComPtr<IPin> peer_;
    AM_MEDIA_TYPE type_{};
};

class TurnInputPin final : public TurnPin, public IMemInputPin {
public:
    explicit TurnInputPin(TurnFilter& filter) : TurnPin(filter, PINDIR_INPUT, L"In") {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return TurnPin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return TurnPin::Release(); }

    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* mt) override
    {
        return mt && Turnable(*mt) ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** out) override
    {
        if (!out)
            return E_POINTER;
        *out = new ListEnum<IEnumMediaTypes, AM_MEDIA_TYPE>({}, nullptr);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** out) override
    {
        if (!out)
            return E_POINTER;
        return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* done) override
    {
        HRESULT hr = S_OK;
        long n = 0;
        for (; n < count && hr == S_OK; ++n)
            hr = Receive(samples[n]);
        if (done)
            *done = n;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_OK; }

    AM_MEDIA_TYPE TypeCopy()
    {
        AM_MEDIA_TYPE copy{};
        std::lock_guard<std::recursive_mutex> hold(Lock());
        CopyType(copy, type_);
        return copy;
    }
};

class TurnOutputPin final : public TurnPin, public IMediaSeeking {
public:
    explicit TurnOutputPin(TurnFilter& filter) : TurnPin(filter, PINDIR_OUTPUT, L"Out") {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return TurnPin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return TurnPin::Release(); }

    HRESULT STDMETHODCALLTYPE Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** out) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // Seeking goes to the filter upstream, which reads the file.
    ComPtr<IMediaSeeking> Upstream();
#define KORVANE_PASS(call)                                   \
    {                                                        \
        auto up = Upstream();                                \
        return up ? up->call : E_NOTIMPL;                    \
    }
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* c) override KORVANE_PASS(GetCapabilities(c))
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* c) override KORVANE_PASS(CheckCapabilities(c))
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* f) override KORVANE_PASS(IsFormatSupported(f))
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* f) override KORVANE_PASS(QueryPreferredFormat(f))
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* f) override KORVANE_PASS(GetTimeFormat(f))
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* f) override KORVANE_PASS(IsUsingTimeFormat(f))
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* f) override KORVANE_PASS(SetTimeFormat(f))
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* d) override KORVANE_PASS(GetDuration(d))
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* s) override KORVANE_PASS(GetStopPosition(s))
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* c) override KORVANE_PASS(GetCurrentPosition(c))
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s, const GUID* sf) override
        KORVANE_PASS(ConvertTimeFormat(t, tf, s, sf))
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* c, DWORD cf, LONGLONG* s, DWORD sf) override
        KORVANE_PASS(SetPositions(c, cf, s, sf))
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* c, LONGLONG* s) override KORVANE_PASS(GetPositions(c, s))
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* e, LONGLONG* l) override KORVANE_PASS(GetAvailable(e, l))
    HRESULT STDMETHODCALLTYPE SetRate(double r) override KORVANE_PASS(SetRate(r))
    HRESULT STDMETHODCALLTYPE GetRate(double* r) override KORVANE_PASS(GetRate(r))
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* p) override KORVANE_PASS(GetPreroll(p))
#undef KORVANE_PASS

    // The turned form of the input's type.
    AM_MEDIA_TYPE TurnedType();
    // The allocator and the receiving side of the renderer, while connected.
    ComPtr<IMemAllocator> Allocator()
    {
        std::lock_guard<std::recursive_mutex> hold(Lock());
        return allocator_.Share();
    }
    ComPtr<IMemInputPin> Receiver()
    {
        std::lock_guard<std::recursive_mutex> hold(Lock());
        return receiver_.Share();
    }
    void Forget()
    {
        allocator_.Reset();
        receiver_.Reset();
    }

private:
    ComPtr<IMemAllocator> allocator_;
    ComPtr<IMemInputPin> receiver_;
};

class TurnFilter final : public IBaseFilter {
public:
    explicit TurnFilter(int degrees) : degrees_(degrees) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter) {
            *out = static_cast<IBaseFilter*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override
    {
        if (!id)
            return E_POINTER;
        *id = CLSID_KorvanePictureTurn;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stop() override
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        // Decommitting lets a frame waiting for a buffer go.
        if (auto allocator = out_.Allocator())
            allocator->Decommit();
        state_ = State_Stopped;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Pause() override
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        if (state_ == State_Stopped) {
            flushing_ = false;
            if (auto allocator = out_.Allocator())
                allocator->Commit();
        }
        state_ = State_Paused;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        if (state_ == State_Stopped)
            Pause();
        state_ = State_Running;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* state) override
    {
        if (!state)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(lock_);
        *state = state_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        clock_ = ComPtr<IReferenceClock>::Share(clock);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override
    {
        if (!clock)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(lock_);
        *clock = clock_.Share().Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** out) override
    {
        if (!out)
            return E_POINTER;
        *out = new ListEnum<IEnumPins, IPin>({static_cast<IPin*>(&in_), static_cast<IPin*>(&out_)},
                                             static_cast<IBaseFilter*>(this));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override
    {
        if (!id || !pin)
            return E_POINTER;
        *pin = nullptr;
        TurnPin* found = std::wcscmp(id, in_.Name()) == 0    ? static_cast<TurnPin*>(&in_)
                         : std::wcscmp(id, out_.Name()) == 0 ? static_cast<TurnPin*>(&out_)
                                                             : nullptr;
        if (!found)
            return VFW_E_NOT_FOUND;
        found->AddRef();
        *pin = found;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override
    {
        if (!info)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(lock_);
        std::memcpy(info->achName, name_, sizeof name_);
        info->pGraph = graph_;
        if (graph_)
            graph_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        // The graph holds the filter, so the filter does not hold the graph.
        graph_ = graph;
        std::memset(name_, 0, sizeof name_);
        if (name)
            std::wcsncpy(name_, name, MAX_FILTER_NAME - 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    IPin* Input() { return &in_; }
    IPin* Output() { return &out_; }
    int Degrees() const { return degrees_; }
    std::recursive_mutex& Lock() { return lock_; }
    FILTER_STATE State()
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        return state_;
    }
    bool Flushing() const { return flushing_; }
    void SetFlushing(bool value) { flushing_ = value; }
    TurnInputPin& In() { return in_; }
    TurnOutputPin& Out() { return out_; }

private:
    ~TurnFilter() = default;
    LONG refs_ = 1;
    const int degrees_;
    std::recursive_mutex lock_;
    FILTER_STATE state_ = State_Stopped;
    volatile bool flushing_ = false;
    ComPtr<IReferenceClock> clock_;
    IFilterGraph* graph_ = nullptr;
    WCHAR name_[MAX_FILTER_NAME] = {};
    TurnInputPin in_{*this};
    TurnOutputPin out_{*this};
};

// --- pins ---------------------------------------------------------------------------------

ULONG TurnPin::AddRef() { return filter_.AddRef(); }
ULONG TurnPin::Release() { return filter_.Release(); }
std::recursive_mutex& TurnPin::Lock() { return filter_.Lock(); }

HRESULT TurnPin::Disconnect()
{
    std::lock_guard<std::recursive_mutex> hold(Lock());
    if (filter_.State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (!peer_)
        return S_FALSE;
    peer_.Reset();
    FreeType(type_);
    if (direction_ == PINDIR_OUTPUT)
        filter_.Out().Forget();
    return S_OK;
}

HRESULT TurnPin::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = static_cast<IBaseFilter*>(&filter_);
    filter_.AddRef();
    info->dir = direction_;
    std::memset(info->achName, 0, sizeof info->achName);
    std::wcsncpy(info->achName, name_, MAX_PIN_NAME - 1);
    return S_OK;
}

HRESULT TurnInputPin::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin)
        *out = static_cast<IPin*>(this);
    else if (iid == IID_IMemInputPin)
        *out = static_cast<IMemInputPin*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT TurnInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt)
{
    if (!connector || !mt)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(Lock());
    if (peer_)
        return VFW_E_ALREADY_CONNECTED;
    if (filter_.State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (!Turnable(*mt))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const HRESULT hr = CopyType(type_, *mt);
    if (FAILED(hr))
        return hr;
    peer_ = ComPtr<IPin>::Share(connector);
    return S_OK;
}

HRESULT TurnInputPin::EndOfStream()
{
    if (auto next = filter_.Out().Peer())
        return next->EndOfStream();
    return S_OK;
}

HRESULT TurnInputPin::BeginFlush()
{
    filter_.SetFlushing(true);
    if (auto next = filter_.Out().Peer())
        return next->BeginFlush();
    return S_OK;
}

HRESULT TurnInputPin::EndFlush()
{
    filter_.SetFlushing(false);
    if (auto next = filter_.Out().Peer())
        return next->EndFlush();
    return S_OK;
}

HRESULT TurnInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    if (auto next = filter_.Out().Peer())
        return next->NewSegment(start, stop, rate);
    return S_OK;
}

// Runs on the upstream filter's streaming thread. No lock is held while
// waiting for a buffer or handing one on: Stop decommits the allocator, and
// the renderer, stopped first, lets its Receive go.
HRESULT TurnInputPin::Receive(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    if (filter_.State() == State_Stopped)
        return VFW_E_WRONG_STATE;
    if (filter_.Flushing())
        return S_FALSE;
    auto allocator = filter_.Out().Allocator();
    auto receiver = filter_.Out().Receiver();
    if (!allocator || !receiver)
        return VFW_E_NOT_CONNECTED;
    int width = 0, height = 0;
    bool bottomUp = true;
    {
        std::lock_guard<std::recursive_mutex> hold(Lock());
        if (!peer_)
            return VFW_E_NOT_CONNECTED;
        const BITMAPINFOHEADER* h = Header(type_);
        width = h->biWidth;
        height = static_cast<int>(std::labs(h->biHeight));
        bottomUp = h->biHeight > 0;
    }
    const long bytes = static_cast<long>(width) * height * 4;
    BYTE* from = nullptr;
    if (FAILED(sample->GetPointer(&from)) || !from || sample->GetActualDataLength() < bytes)
        return S_OK;   // a frame of another size is left out, the stream goes on

    ComPtr<IMediaSample> turned;
    HRESULT hr = allocator->GetBuffer(turned.Put(), nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* to = nullptr;
    if (FAILED(turned->GetPointer(&to)) || !to || turned->GetSize() < bytes)
        return E_UNEXPECTED;
    TurnPicture(reinterpret_cast<const std::uint32_t*>(from), reinterpret_cast<std::uint32_t*>(to), width, height,
                bottomUp, filter_.Degrees());
    turned->SetActualDataLength(bytes);
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timed = sample->GetTime(&start, &stop);
    if (timed == S_OK)
        turned->SetTime(&start, &stop);
    else if (timed == VFW_S_NO_STOP_TIME)
        turned->SetTime(&start, nullptr);
    LONGLONG mediaStart = 0, mediaStop = 0;
    if (sample->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        turned->SetMediaTime(&mediaStart, &mediaStop);
    turned->SetSyncPoint(sample->IsSyncPoint() == S_OK);
    turned->SetPreroll(sample->IsPreroll() == S_OK);
    turned->SetDiscontinuity(sample->IsDiscontinuity() == S_OK);
    return receiver->Receive(turned.Get());
}

HRESULT TurnOutputPin::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin)
        *out = static_cast<IPin*>(this);
    else if (iid == IID_IMediaSeeking)
        *out = static_cast<IMediaSeeking*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ComPtr<IMediaSeeking> TurnOutputPin::Upstream()
{
    ComPtr<IMediaSeeking> seeking;
    if (auto source = filter_.In().Peer())
        source->QueryInterface(IID_IMediaSeeking, seeking.PutVoid());
    return seeking;
}

AM_MEDIA_TYPE TurnOutputPin::TurnedType()
{
    AM_MEDIA_TYPE mt = filter_.In().TypeCopy();
    if (!mt.pbFormat)
        return mt;
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat);
    BITMAPINFOHEADER& h = info->bmiHeader;
    const long width = h.biWidth;
    const long height = std::labs(h.biHeight);
    if (filter_.Degrees() == 90 || filter_.Degrees() == 270) {
        h.biWidth = height;
        h.biHeight = h.biHeight > 0 ? width : -width;
    }
    h.biSizeImage = static_cast<DWORD>(width * height * 4);
    info->rcSource = RECT{};
    info->rcTarget = RECT{};
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = h.biSizeImage;
    return mt;
}

HRESULT TurnOutputPin::QueryAccept(const AM_MEDIA_TYPE* mt)
{
    if (!mt || !Turnable(*mt))
        return S_FALSE;
    AM_MEDIA_TYPE mine = TurnedType();
    const bool same = mine.pbFormat && Header(*mt)->biWidth == Header(mine)->biWidth &&
                      std::labs(Header(*mt)->biHeight) == std::labs(Header(mine)->biHeight);
    FreeType(mine);
    return same ? S_OK : S_FALSE;
}

HRESULT TurnOutputPin::EnumMediaTypes(IEnumMediaTypes** out)
{
    if (!out)
        return E_POINTER;
    if (!filter_.In().Peer()) {
        *out = new ListEnum<IEnumMediaTypes, AM_MEDIA_TYPE>({}, nullptr);
        return S_OK;
    }
    // The enumerator hands out copies of this one type.
    struct Holder final : IUnknown {
        AM_MEDIA_TYPE mt{};
        LONG refs = 1;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** o) override
        {
            *o = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
        ULONG STDMETHODCALLTYPE Release() override
        {
            const LONG left = InterlockedDecrement(&refs);
            if (left == 0) {
                FreeType(mt);
                delete this;
            }
            return static_cast<ULONG>(left);
        }
    };
    auto* holder = new Holder;
    holder->mt = TurnedType();
    *out = new ListEnum<IEnumMediaTypes, AM_MEDIA_TYPE>({&holder->mt}, holder);
    holder->Release();
    return S_OK;
}

HRESULT TurnOutputPin::Connect(IPin* receiver, const AM_MEDIA_TYPE*)
{
    if (!receiver)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(Lock());
    if (peer_)
        return VFW_E_ALREADY_CONNECTED;
    if (filter_.State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (!filter_.In().Peer())
        return VFW_E_NOT_CONNECTED;
    AM_MEDIA_TYPE mt = TurnedType();
    HRESULT hr = receiver->ReceiveConnection(this, &mt);
    if (FAILED(hr)) {
        FreeType(mt);
        return hr;
    }
    ComPtr<IMemInputPin> input;
    hr = receiver->QueryInterface(IID_IMemInputPin, input.PutVoid());
    ComPtr<IMemAllocator> allocator;
    if (SUCCEEDED(hr) && FAILED(input->GetAllocator(allocator.Put())))
        hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                              allocator.PutVoid());
    if (SUCCEEDED(hr)) {
        ALLOCATOR_PROPERTIES wanted{2, mt.lSampleSize > 0 ? static_cast<long>(mt.lSampleSize) : 1, 1, 0};
        ALLOCATOR_PROPERTIES got{};
        hr = allocator->SetProperties(&wanted, &got);
        if (SUCCEEDED(hr) && got.cbBuffer < wanted.cbBuffer)
            hr = VFW_E_SIZENOTSET;
    }
    if (SUCCEEDED(hr))
        hr = input->NotifyAllocator(allocator.Get(), FALSE);
    if (FAILED(hr)) {
        receiver->Disconnect();
        FreeType(mt);
        return hr;
    }
    FreeType(type_);
    type_ = mt;
    peer_ = ComPtr<IPin>::Share(receiver);
    allocator_ = std::move(allocator);
    receiver_ = std::move(input);
    return S_OK;
}

// The pin of `filter` in `direction` that has a peer, or none.
ComPtr<IPin> ConnectedPin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put())) || !pins)
        return {};
    for (;;) {
        ComPtr<IPin> pin;
        if (pins->Next(1, pin.Put(), nullptr) != S_OK)
            return {};
        PIN_DIRECTION d{};
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction && SUCCEEDED(pin->ConnectedTo(peer.Put())) && peer)
            return pin;
    }
}

} // namespace

HRESULT InsertPictureTurn(IFilterGraph2* graph, IBaseFilter* renderer, int degrees)
{
    if (!graph || !renderer || (degrees != 90 && degrees != 180 && degrees != 270))
        return S_FALSE;
    ComPtr<IPin> rendererIn = ConnectedPin(renderer, PINDIR_INPUT);
    if (!rendererIn)
        return S_FALSE;
    ComPtr<IPin> source;
    rendererIn->ConnectedTo(source.Put());
    AM_MEDIA_TYPE was{};
    rendererIn->ConnectionMediaType(&was);

    TurnFilter* made = new TurnFilter(degrees);
    ComPtr<IBaseFilter> filter;
    *filter.Put() = made;
    HRESULT hr = graph->AddFilter(filter.Get(), L"Picture turn");
    if (FAILED(hr)) {
        FreeType(was);
        return hr;
    }
    graph->Disconnect(source.Get());
    graph->Disconnect(rendererIn.Get());
    hr = graph->ConnectDirect(source.Get(), made->Input(), nullptr);
    if (SUCCEEDED(hr))
        hr = graph->ConnectDirect(made->Output(), rendererIn.Get(), nullptr);
    if (FAILED(hr)) {
        // Back as it was: the picture sideways is better than none.
        for (IPin* pin : {made->Input(), made->Output()}) {
            ComPtr<IPin> peer;
            if (SUCCEEDED(pin->ConnectedTo(peer.Put())) && peer)
                graph->Disconnect(peer.Get());
            graph->Disconnect(pin);
        }
        graph->RemoveFilter(filter.Get());
        graph->ConnectDirect(source.Get(), rendererIn.Get(), &was);
    }
    FreeType(was);
    return hr;
}

int MovieFileRotation(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size{};
    int degrees = 0;
    if (GetFileSizeEx(file, &size)) {
        const ByteReader read = [file](std::uint64_t offset, std::uint32_t count, unsigned char* out) {
            LARGE_INTEGER at{};
            at.QuadPart = static_cast<LONGLONG>(offset);
            DWORD got = 0;
            return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, out, count, &got, nullptr) &&
                   got == count;
        };
        degrees = MovieRotationDegrees(read, static_cast<std::uint64_t>(size.QuadPart));
    }
    CloseHandle(file);
    return degrees;
}

} // namespace korvane
