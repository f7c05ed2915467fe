#include "preview/FilterList.h"

#include <algorithm>

namespace korvane {

TFilterList::TFilterList(IFilterGraph* graph) : graph_(ComPtr<IFilterGraph>::Share(graph))
{
    if (!graph)
        return;
    ComPtr<IEnumFilters> e;
    if (FAILED(graph->EnumFilters(e.Put())) || !e)
        return;
    for (;;) {
        ComPtr<IBaseFilter> f;
        if (e->Next(1, f.Put(), nullptr) != S_OK)
            break;
        filters_.push_back(std::move(f));
    }
}

bool TFilterList::Remove(IUnknown* filter)
{
    auto it = std::find_if(filters_.begin(), filters_.end(),
                           [filter](const ComPtr<IBaseFilter>& f) { return SameComObject(f.Get(), filter); });
    if (it == filters_.end())
        return false;
    filters_.erase(it);
    return true;
}

TPinList::TPinList(IBaseFilter* filter) : filter_(ComPtr<IBaseFilter>::Share(filter))
{
    if (!filter)
        return;
    ComPtr<IEnumPins> e;
    if (FAILED(filter->EnumPins(e.Put())) || !e)
        return;
    for (;;) {
        ComPtr<IPin> p;
        if (e->Next(1, p.Put(), nullptr) != S_OK)
            break;
        pins_.push_back(std::move(p));
    }
}

bool TPinList::Connected(std::size_t i) const
{
    ComPtr<IPin> peer;
    return SUCCEEDED(pins_[i]->ConnectedTo(peer.Put())) && peer;
}

bool TPinList::AnyConnected() const
{
    for (std::size_t i = 0; i < pins_.size(); ++i)
        if (Connected(i))
            return true;
    return false;
}

ComPtr<IPin> FirstConnectedPin(IBaseFilter* filter)
{
    ComPtr<IEnumPins> e;
    if (!filter || FAILED(filter->EnumPins(e.Put())) || !e)
        return {};
    for (;;) {
        ComPtr<IPin> pin;
        if (e->Next(1, pin.Put(), nullptr) != S_OK)
            return {};
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.Put())) && peer)
            return pin;
    }
}

} // namespace korvane
