// The arguments of one WebMessageReceived event: the page's URI, the
// message as JSON, and the message as a string when the page posted one.
#pragma once

#include <string>

#include "standins/webview/module.h"
#include "standins/webview/webview2_abi.h"

class MessageArgs final : public ICoreWebView2WebMessageReceivedEventArgs, private LiveObject {
public:
    // json is the message's JSON text; isString says the page posted a
    // string, whose value is then text.
    MessageArgs(std::wstring source, std::wstring json, bool isString, std::wstring text)
        : source_(std::move(source)), json_(std::move(json)), isString_(isString), text_(std::move(text)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override;

private:
    ~MessageArgs() = default;

    RefCount references_;
    std::wstring source_;
    std::wstring json_;
    bool isString_;
    std::wstring text_;
};
