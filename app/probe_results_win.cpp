#include <memory>

#include "app/main_window_messages.h"
#include "app/probe_results.h"
#include "core/posted_object.h"

void PostProbeResult(const ProbeResult& result, void* context) {
    const auto* target = static_cast<const ProbeResultTarget*>(context);
    if (target == nullptr) return;
    // Freed here when the window is gone or its queue is full.
    PostOwned(target->window.load(), WM_APP_PROBE_RESULT, std::make_unique<ProbeResult>(result));
}

void OnProbeResultMessage(Controller& controller, LPARAM lParam) {
    const std::unique_ptr<ProbeResult> result = AdoptPosted<ProbeResult>(lParam);
    if (result) controller.OnProbeResult(*result);
}
