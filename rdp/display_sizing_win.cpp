// Keeping the control as large as its tab, and the remote resolution in step
// with it: the windows and the control's calls; the rules themselves are in
// display_sizing_rules.
#include "core/log.h"
#include "core/text.h"
#include "core/unicode.h"
#include "core/window_dpi.h"
#include "rdp/rdp_session.h"
#include "rdp/session_clock.h"

namespace {

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;

bool IsNotReadyYet(HRESULT hr) {
    return hr == DISP_E_EXCEPTION || hr == E_UNEXPECTED;
}

}  // namespace

SizingMode RdpSession::CurrentSizingMode() const {
    return SizingMode{changeRemoteResolution_, HasFixedSize(server_.width, server_.height)};
}

bool RdpSession::SmartSizingValue() const {
    return SmartSizingFor(changeRemoteResolution_, server_.smartSizing);
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
    switch (::OnHostResized(sizing_, CurrentSizingMode(), PixelSize{width, height}, SessionTicks())) {
        case ResizeStep::Ignore:
            return;
        case ResizeStep::SendNow:
            FlushPendingSize();
            return;
        case ResizeStep::WaitForTimer:
            if (hostWindow_ == nullptr) {
                FlushPendingSize();
            } else if (!resizeTimerPending_) {
                ArmResizeTimer(sizing::kThrottleMs);
            }
            return;
    }
}

void RdpSession::FlushPendingSize() {
    if (hostWindow_ != nullptr) KillResizeTimer();
    const DWORD now = SessionTicks();
    const DWORD lastSend = sizing_.lastSendTick;
    PixelSize size;
    if (!TakePendingSize(sizing_, CurrentSizingMode(), now, &size)) return;
    LogF(kLogDebug, "下发远端尺寸 %dx%d（距上一次 %lu 毫秒）", size.width, size.height,
         static_cast<unsigned long>(lastSend == 0 ? 0 : now - lastSend));
    SendRemoteSize(size.width, size.height);
}

void RdpSession::SendRemoteSize(int hostWidth, int hostHeight, bool evenIfSent) {
    if (hostWidth <= 0 || hostHeight <= 0) return;
    const PixelSize sent = ProtocolSize(PixelSize{hostWidth, hostHeight});
    const int width = sent.width, height = sent.height;
    if (!evenIfSent && width == sizing_.remoteWidth && height == sizing_.remoteHeight) return;
    if (mode_ == SessionMode::Mstsc) {
        sizing_.remoteWidth = width;
        sizing_.remoteHeight = height;
        LogF(kLogInfo, "mstsc 模式：画面按窗口尺寸 %dx%d 拉伸显示", width, height);
        return;
    }
    if (!dispatch_) return;
    if (state_ != SessionState::Connected) {
        LogF(kLogDebug, "远端分辨率待生效：%dx%d（等连上后自动切换）", width, height);
        return;
    }
    // The physical size is the tab's in millimetres at the window's DPI;
    // orientation landscape; the scale factors the monitor's.
    const int dpi = WindowDpi(hostWindow_);
    const ScaleFactors scale = ScaleFactorsForDpi(dpi);
    Variant args[] = {Variant::Int(width),
                      Variant::Int(height),
                      Variant::Int(PhysicalMillimetres(width, dpi)),
                      Variant::Int(PhysicalMillimetres(height, dpi)),
                      Variant::Int(0),
                      Variant::Int(static_cast<long>(scale.desktop)),
                      Variant::Int(static_cast<long>(scale.device))};
    const ComPtr<IDispatch> control = ComPtr<IDispatch>::Retain(dispatch_.get());
    const CallGuard guard = Guard();
    const HRESULT hr =
        DispatchInvoke(control.get(), L"UpdateSessionDisplaySettings", DISPATCH_METHOD, args, 7, nullptr);
    if (!guard.Intact()) return;
    if (SUCCEEDED(hr)) {
        OnSizeAccepted(sizing_, PixelSize{width, height});
        LogF(kLogInfo, "远端分辨率已跟随窗口切换为 %dx%d", width, height);
        return;
    }
    LogF(kLogDebug, "切换远端分辨率到 %dx%d 失败 0x%08lX（远端不支持时正常）", width, height,
         static_cast<unsigned long>(hr));
    if (hostWindow_ != nullptr && TakeRetry(sizing_, IsNotReadyYet(hr))) {
        LogF(kLogDebug, "远端还没准备好，%lu 毫秒后重试（还剩 %d 次）",
             static_cast<unsigned long>(sizing::kRetryDelayMs), sizing_.resizeRetriesLeft);
        ArmResizeTimer(sizing::kRetryDelayMs);
    }
}

bool RdpSession::SetSmartSizing(bool on) {
    if (!dispatch_) return false;
    const ComPtr<IDispatch> advanced = ComPtr<IDispatch>::Retain(advanced_.get());
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
             server_.width > 0 ? server_.width : sizing_.remoteWidth,
             server_.height > 0 ? server_.height : sizing_.remoteHeight);
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
        StartFollowing(sizing_);
        // A record with its own size keeps it in every mode.
        if (hostWindow_ != nullptr && client.cx > 0 && client.cy > 0 && CurrentSizingMode().follows()) {
            sizing_.pendingWidth = client.cx;
            sizing_.pendingHeight = client.cy;
            SendRemoteSize(client.cx, client.cy);
        }
        Log(kLogInfo, "显示方式已切换为「更改分辨率」（当场生效，不需要重连）");
    } else {
        StopFollowing(sizing_);
        KillResizeTimer();
        Log(kLogInfo, "显示方式已切换为「跟随拉伸」（远端分辨率保持不变）");
    }
}

void RdpSession::OnExitSizeMove() {
    if (hostWindow_ == nullptr) return;
    const SIZE client = HostClientSize();
    sizing_.pendingWidth = client.cx;
    sizing_.pendingHeight = client.cy;
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

// The window moved to a monitor of another scale: a session that follows
// its tab gets the new scale factors with its size (which the window's own
// move has changed as well).
void RdpSession::OnDpiChanged() {
    if (hostWindow_ == nullptr || state_ != SessionState::Connected || !CurrentSizingMode().follows()) return;
    const SIZE client = HostClientSize();
    LogF(kLogInfo, "窗口换到缩放 %d%% 的显示器，重新下发远端分辨率与缩放",
         static_cast<int>(ScaleFactorsForDpi(WindowDpi(hostWindow_)).desktop));
    SendRemoteSize(client.cx, client.cy, true);
}

void RdpSession::RefreshStretch() {
    if (controlWindow_ == nullptr || changeRemoteResolution_) return;
    FlipSmartSizing();
    RedrawControl();
}

void RdpSession::OnConnected() {
    everConnected_ = true;
    // Whoever hears of the connection may close the session at once.
    const CallGuard guard = Guard();
    SetState(SessionState::Connected, 0, "已连接");
    if (!guard.Intact()) return;
    SetSmartSizing(SmartSizingValue());
    if (OnConnectedSizing(sizing_)) {
        LogF(kLogInfo, "连接完成，按当前窗口尺寸下发远端分辨率 %dx%d", sizing_.pendingWidth,
             sizing_.pendingHeight);
        FlushPendingSize();
    }
}

// The control may pass over a size sent between OnConnected and the end of
// the logon, when the remote desktop is not up yet; the window's size is
// sent again once the logon is complete.
// learn.microsoft.com/windows/win32/termserv/imstscaxevents-onlogincomplete
void RdpSession::OnLoginComplete() {
    const CallGuard guard = Guard();
    SetState(SessionState::Connected, 0, "已连接（登录完成）");
    if (!guard.Intact() || hostWindow_ == nullptr || !CurrentSizingMode().follows()) return;
    const SIZE client = HostClientSize();
    LogF(kLogInfo, "登录完成，再次下发远端分辨率 %dx%d", static_cast<int>(client.cx),
         static_cast<int>(client.cy));
    SendRemoteSize(client.cx, client.cy, true);
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
    // The control may have moved or sized its own window: whatever the
    // last size sent to it, it is put back over the whole tab.
    controlRectWidth_ = controlRectHeight_ = 0;
    SyncControlRect(client.cx, client.cy);
    return S_OK;
}
