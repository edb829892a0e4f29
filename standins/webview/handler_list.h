// The handlers of one event of a webview, with the tokens that remove them.
// UI thread only.
#pragma once

#include <map>
#include <vector>

#include "standins/webview/module.h"
#include "standins/webview/webview2_abi.h"

template <typename Handler>
class HandlerList {
public:
    HRESULT Add(Handler* handler, EventRegistrationToken* token) {
        if (handler == nullptr || token == nullptr) return E_POINTER;
        return Guarded([&] {
            handlers_[next_] = Ref<Handler>::Retain(handler);
            token->value = next_++;
            return S_OK;
        });
    }
    // An unknown token is no error, as with the runtime.
    void Remove(EventRegistrationToken token) { handlers_.erase(token.value); }
    void Clear() { handlers_.clear(); }
    bool empty() const { return handlers_.empty(); }

    // A copy in the order they were added: handlers may add or remove
    // handlers, or close everything, while they run.
    std::vector<Ref<Handler>> Snapshot() const {
        std::vector<Ref<Handler>> handlers;
        for (const auto& entry : handlers_) handlers.push_back(entry.second);
        return handlers;
    }

private:
    std::map<__int64, Ref<Handler>> handlers_;
    __int64 next_ = 1;
};
