#pragma once
// The two roles through which components attach to a TFilterGraph: a filter
// provider contributes one filter that lives in the graph as long as the
// graph is active (the video renderer); a graph listener hears of every
// DirectShow event and every control step (the video window, the seek bar).
#include <windows.h>
#include <dshow.h>

#include <string>

namespace korvane {

enum TFilterOperation {
    FilterAdding = 0,
    FilterAdded = 1,
    FilterRemoving = 2,
    FilterRemoved = 3,
};

enum TControlEvent {
    ControlPlay = 0,
    ControlPause = 1,
    ControlStop = 2,
    ControlFileRendering = 3,
    ControlFileRendered = 4,
    // param 1 after activation, 0 at the start of deactivation
    ControlActive = 7,
};

class IFilterProvider {
public:
    // Borrowed: the provider keeps its own reference. Null when it has none.
    virtual IBaseFilter* ProvideFilter() = 0;
    // The name under which the filter is added to the graph.
    virtual std::string ProvideFilterName() = 0;
    // Told around the graph's insertion and removal of the filter; param is 0.
    virtual void FilterOperation(TFilterOperation operation, int param) = 0;

protected:
    ~IFilterProvider() = default;
};

class IGraphListener {
public:
    // Every DirectShow event, before anybody else sees it.
    virtual void GraphEventArrived(long code, LONG_PTR param1, LONG_PTR param2) = 0;
    virtual void ControlEventArrived(TControlEvent code, int param) = 0;

protected:
    ~IGraphListener() = default;
};

} // namespace korvane
