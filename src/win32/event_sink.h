#pragma once

// Events of an automation object through its connection points: a sink that answers the object's event
// interface is advised on the connection point and unadvised when the subscription goes.

#include "win32/windows_api.h"

#include <functional>
#include <memory>

#include "platform/event.h"

namespace tw::win32 {

// Called with the event's id and arguments (last argument first, as IDispatch passes them).
using EventHandler = std::function<void(DISPID event, DISPPARAMS& params)>;

// Subscribes `handler` to the events `events` of `source`. An object without connection points raises no
// events: the subscription then holds and nothing fires.
std::unique_ptr<platform::EventConnection> connectEvents(IDispatch* source, const IID& events,
                                                         EventHandler handler);

// A by-reference Boolean argument of an event (Cancel, CancelDefault); null when the argument is not one.
VARIANT_BOOL* booleanReference(VARIANT& argument);

}  // namespace tw::win32
