// What the rest of the program needs of the web host: posting to the page,
// its two page actions, and how the browser's start went. The controller
// talks to this, so it runs without a browser in tests and in the native
// build.
#pragma once

#include <string>

class IPageChannel {
public:
    virtual ~IPageChannel() = default;
    // Posts {"cmd":cmd,"data":dataJson} (null for empty data); dropped
    // silently while the page cannot receive it.
    virtual void post(const std::string& cmd, const std::string& dataJson) = 0;
    virtual void reload() = 0;
    virtual void openDevTools() = 0;
    virtual bool isLoaderReady() const = 0;
    virtual std::string lastError() const = 0;
};
