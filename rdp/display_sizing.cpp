// Keeping the control as large as its tab, and the remote resolution in step
// with it: sends are throttled to one per 70 ms, changes under 8 pixels are
// ignored, and a server that is not ready yet is asked again, at most three
// times.
#include <cstdlib>

#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "rdp/rdp_session.h"
#include "rdp/session_clock.h"

namespace {

constexpr DWORD kThrottleMs = 70;
constexpr DWORD kRetryDelayMs = 700;
constexpr int kRetries = 3;
constexpr int kHysteresis = 8;
constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;

bool IsNotReadyYet(HRESULT hr) {
    return hr == DISP_E_EXCEPTION || hr == E_UNEXPECTED;
}

}  // namespace

bool RdpSession::HasFixedSize() const {
    return server_.width >= 1 && server_.height > 0;
}

bool RdpSession::SmartSizingValue() const {
    return !changeRemoteResolution_ || server_.smartSizing;
}

void RdpSession::ArmResizeTimer(UINT ms) {
    SetTimer(hostWindow_, kResizeTimer, ms, nullptr);
    resizeTimerPending_ = true;
}

void RdpSession::KillResizeTimer() {
    if (!resizeTimerPending_) return;
    if (hostWindow_ != nullptr) KillTimer(hostWindow_, kResizeTimer);
    resizeTimerPending_ = false;
}

void RdpSession::RedrawControl() {
    RedrawWindow(controlWindow_, nullptr, nullptr, kRedrawAll);
}

// Turning the scaling off and on again makes the control recompute it for
// its new size.
void RdpSession::FlipSmartSizing() {
    SetSmartSizing(false);
    SetSmartSizing(true);
}

void RdpSession::SyncControlRect(int width, int height) {
    if (hostWindow_ == nullptr || controlWindow_ == nullptr || width <= 0 || height <= 0) return;
    if (width == controlRectWidth_ && height == controlRectHeight_) return;
    controlRectWidth_ = width;
    controlRectHeight_ = height;
    SetWindowPos(controlWindow_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (inPlaceObject_) {
        const RECT rect = {0, 0, width, height};
        inPlaceObject_->SetObjectRects(&rect, &rect);
        LogF(kLogDebug, "控件范围已同步为 %dx%d（SetObjectRects）", width, height);
    }
    if (!changeRemoteResolution_) RedrawControl();
}

void RdpSession::OnHostResized(int width, int height) {
    if (width <= 0 || height <= 0 || !resizeEnabled_ || !changeRemoteResolution_) return;
    if (HasFixedSize()) return;
    pendingWidth_ = width;
    pendingHeight_ = height;
    if (remoteWidth_ > 0 && std::abs(width - remoteWidth_) < kHysteresis &&
        std::abs(height - remoteHeight_) < kHysteresis) {
        return;
    }
    // A size already sent is not news: it must not refill the retry budget
    // of a send that is failing (every resize reports the size twice, once
    // from the window and once from whoever moved it).
    if (width == lastSentWidth_ && height == lastSentHeight_) return;
    if (remoteWidth_ > 0) resizeRetriesLeft_ = kRetries;
    if (hostWindow_ == nullptr || lastSendTick_ == 0 || SessionTicks() - lastSendTick_ >= kThrottleMs) {
        FlushPendingSize();
        return;
    }
    if (!resizeTimerPending_) ArmResizeTimer(kThrottleMs);
}

void RdpSession::FlushPendingSize() {
    if (hostWindow_ != nullptr) KillResizeTimer();
    if (!changeRemoteResolution_ || HasFixedSize() || pendingWidth_ < 1 || pendingHeight_ < 1) return;
    const DWORD now = SessionTicks();
    LogF(kLogDebug, "下发远端尺寸 %dx%d（距上一次 %lu 毫秒）", pendingWidth_, pendingHeight_,
         static_cast<unsigned long>(lastSendTick_ == 0 ? 0 : now - lastSendTick_));
    lastSendTick_ = now;
    lastSentWidth_ = pendingWidth_;
    lastSentHeight_ = pendingHeight_;
    SendRemoteSize(pendingWidth_, pendingHeight_);
}

void RdpSession::SendRemoteSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    if (width == remoteWidth_ && height == remoteHeight_) return;
    if (mode_ == "mstsc") {
        remoteWidth_ = width;
        remoteHeight_ = height;
        LogF(kLogInfo, "mstsc 模式：画面按窗口尺寸 %dx%d 拉伸显示", width, height);
        return;
    }
    if (!dispatch_) return;
    if (state_ != SessionState::Connected) {
        LogF(kLogDebug, "远端分辨率待生效：%dx%d（等连上后自动切换）", width, height);
        return;
    }
    Variant args[] = {Variant::Int(width), Variant::Int(height), Variant::Int(width), Variant::Int(height),
                      Variant::Int(0),     Variant::Int(100),    Variant::Int(100)};
    const HRESULT hr =
        DispatchInvoke(dispatch_.get(), L"UpdateSessionDisplaySettings", DISPATCH_METHOD, args, 7, nullptr);
    if (SUCCEEDED(hr)) {
        remoteWidth_ = width;
        remoteHeight_ = height;
        resizeRetriesLeft_ = kRetries;
        LogF(kLogInfo, "远端分辨率已跟随窗口切换为 %dx%d", width, height);
        return;
    }
    LogF(kLogDebug, "切换远端分辨率到 %dx%d 失败 0x%08lX（远端不支持时正常）", width, height,
         static_cast<unsigned long>(hr));
    if (IsNotReadyYet(hr) && resizeRetriesLeft_ >= 1 && hostWindow_ != nullptr) {
        --resizeRetriesLeft_;
        LogF(kLogDebug, "远端还没准备好，%lu 毫秒后重试（还剩 %d 次）",
             static_cast<unsigned long>(kRetryDelayMs), resizeRetriesLeft_);
        ArmResizeTimer(kRetryDelayMs);
    }
}

bool RdpSession::SetSmartSizing(bool on) {
    if (!dispatch_) return false;
    ComPtr<IDispatch> advanced = GetDispatchProperty(L"AdvancedSettings2");
    if (!advanced) advanced = GetDispatchProperty(L"AdvancedSettings");
    if (!advanced) {
        Log(kLogWarn, "拿不到控件的「高级设置」对象，画面缩放开关没设上");
        return false;
    }
    const HRESULT hr = DispatchPut(advanced.get(), L"SmartSizing", Variant::Bool(on));
    if (FAILED(hr)) {
        LogF(kLogWarn, "设置画面缩放 SmartSizing=%d 失败 0x%08lX（拉伸模式会变成不缩放）", on ? 1 : 0,
             static_cast<unsigned long>(hr));
        return false;
    }
    if (on && !changeRemoteResolution_) {
        LogF(kLogInfo, "画面缩放已打开（SmartSizing=1，远端分辨率保持 %dx%d 不动）",
             server_.width > 0 ? server_.width : remoteWidth_,
             server_.height > 0 ? server_.height : remoteHeight_);
    }
    return true;
}

void RdpSession::SetChangeRemoteResolution(bool on) {
    if (on == changeRemoteResolution_) return;
    changeRemoteResolution_ = on;
    SetSmartSizing(SmartSizingValue());
    controlRectWidth_ = controlRectHeight_ = 0;
    const SIZE client = HostClientSize();
    if (hostWindow_ != nullptr && controlWindow_ != nullptr) SyncControlRect(client.cx, client.cy);
    if (on) {
        remoteWidth_ = remoteHeight_ = 0;
        lastSendTick_ = 0;
        resizeRetriesLeft_ = kRetries;
        lastSentWidth_ = lastSentHeight_ = 0;
        // A record with its own size keeps it in every mode.
        if (hostWindow_ != nullptr && client.cx > 0 && client.cy > 0 && !HasFixedSize()) {
            pendingWidth_ = client.cx;
            pendingHeight_ = client.cy;
            SendRemoteSize(client.cx, client.cy);
        }
        Log(kLogInfo, "显示方式已切换为「更改分辨率」（当场生效，不需要重连）");
    } else {
        pendingWidth_ = pendingHeight_ = lastSentWidth_ = lastSentHeight_ = 0;
        KillResizeTimer();
        Log(kLogInfo, "显示方式已切换为「跟随拉伸」（远端分辨率保持不变）");
    }
}

void RdpSession::OnExitSizeMove() {
    if (hostWindow_ == nullptr) return;
    const SIZE client = HostClientSize();
    pendingWidth_ = client.cx;
    pendingHeight_ = client.cy;
    if (client.cx <= 0 || client.cy <= 0) return;
    if (!changeRemoteResolution_) {
        SyncControlRect(client.cx, client.cy);
        SetSmartSizing(true);
        if (controlWindow_ != nullptr) {
            FlipSmartSizing();
            RedrawControl();
        }
    } else {
        FlushPendingSize();
    }
}

void RdpSession::RefreshStretch() {
    if (controlWindow_ == nullptr || changeRemoteResolution_) return;
    FlipSmartSizing();
    RedrawControl();
}

void RdpSession::OnConnected() {
    everConnected_ = true;
    SetState(SessionState::Connected, 0, "已连接");
    SetSmartSizing(SmartSizingValue());
    lastSendTick_ = 0;
    resizeRetriesLeft_ = kRetries;
    if (pendingWidth_ >= 1 && (pendingWidth_ != remoteWidth_ || pendingHeight_ != remoteHeight_)) {
        LogF(kLogInfo, "连接完成，按当前窗口尺寸下发远端分辨率 %dx%d", pendingWidth_, pendingHeight_);
        FlushPendingSize();
    }
}

HRESULT RdpSession::OnPosRectChange(LPCRECT requested) {
    if (hostWindow_ == nullptr || controlWindow_ == nullptr) return S_OK;
    const SIZE client = HostClientSize();
    if (client.cx < 1 || client.cy < 1) return S_OK;
    if (requested != nullptr) {
        const int width = requested->right - requested->left;
        const int height = requested->bottom - requested->top;
        if (width > 0 && height > 0 && (width != client.cx || height != client.cy)) {
            LogF(kLogDebug, "控件请求把自己改成 %dx%d，按内容区 %dx%d 铺满", width, height,
                 static_cast<int>(client.cx), static_cast<int>(client.cy));
        }
    }
    SyncControlRect(client.cx, client.cy);
    return S_OK;
}
