#pragma once
// Owning COM interface pointer. Moving transfers the reference; a second
// reference is taken only on purpose (Share, Attach with AddRef), never by an
// accidental copy. Interfaces are asked for by explicit IID because several
// DirectShow interfaces carry no compiler-known UUID in the SDK headers.
#include <objbase.h>

#include <utility>

namespace korvane {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ~ComPtr() { Reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    // Takes a new reference to a borrowed pointer.
    static ComPtr Share(T* p)
    {
        ComPtr r;
        r.p_ = p;
        if (p)
            p->AddRef();
        return r;
    }
    ComPtr Share() const { return Share(p_); }

    void Reset()
    {
        if (T* old = std::exchange(p_, nullptr))
            old->Release();
    }
    T* Detach() { return std::exchange(p_, nullptr); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For out parameters: drops the current reference first.
    T** Put()
    {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // QueryInterface into another pointer; out is empty on failure.
    template <class U>
    HRESULT QueryTo(REFIID iid, ComPtr<U>& out) const
    {
        if (!p_) {
            out.Reset();
            return E_POINTER;
        }
        HRESULT hr = p_->QueryInterface(iid, out.PutVoid());
        if (FAILED(hr))
            out.Reset();
        return hr;
    }

private:
    T* p_ = nullptr;
};

// Two interface pointers name the same object when their IUnknowns match.
inline bool SameComObject(IUnknown* a, IUnknown* b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    ComPtr<IUnknown> ua, ub;
    if (FAILED(a->QueryInterface(IID_IUnknown, ua.PutVoid())) ||
        FAILED(b->QueryInterface(IID_IUnknown, ub.PutVoid())))
        return false;
    return ua.Get() == ub.Get();
}

} // namespace korvane
