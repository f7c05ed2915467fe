#pragma once
// Snapshots of the filters of a graph and of the pins of a filter. Taken once
// at construction; changing the graph afterwards does not change the list.
#include <windows.h>
#include <dshow.h>

#include <cstddef>
#include <vector>

#include "preview/ComPtr.h"

namespace korvane {

class TFilterList {
public:
    explicit TFilterList(IFilterGraph* graph);

    IFilterGraph* Graph() const { return graph_.Get(); }
    std::size_t Count() const { return filters_.size(); }
    IBaseFilter* Items(std::size_t i) const { return filters_[i].Get(); }
    // Drops the filter (by COM identity) from the list; true if it was there.
    bool Remove(IUnknown* filter);

private:
    ComPtr<IFilterGraph> graph_;
    std::vector<ComPtr<IBaseFilter>> filters_;
};

class TPinList {
public:
    explicit TPinList(IBaseFilter* filter);

    IBaseFilter* Filter() const { return filter_.Get(); }
    std::size_t Count() const { return pins_.size(); }
    IPin* Items(std::size_t i) const { return pins_[i].Get(); }
    // Pin i has a peer.
    bool Connected(std::size_t i) const;
    bool AnyConnected() const;

private:
    ComPtr<IBaseFilter> filter_;
    std::vector<ComPtr<IPin>> pins_;
};

// The first pin of the filter that has a peer, taking no reference to any
// other pin.
ComPtr<IPin> FirstConnectedPin(IBaseFilter* filter);

} // namespace korvane
