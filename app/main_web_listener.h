// The controller as the web host's listener: page messages go to the
// dispatcher, a fresh page gets the three documents, and a browser that
// could not start is reported to the user.
#pragma once

#include "controller/controller.h"
#include "webhost/webview_host.h"

class MainWebListener : public WebViewHost::IListener {
public:
    explicit MainWebListener(Controller& controller) : controller_(controller) {}
    void onReady() override;
    void onMessage(const std::string& text) override;
    void onError(const std::string& text) override;
    void onRuntimeMissing() override;
    void onPageGone() override;
    void onProcessFailed(bool recovering) override;

private:
    Controller& controller_;
};
