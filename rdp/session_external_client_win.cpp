// The session in mode "mstsc": it owns the external client and turns what
// each of the client's steps came to into its state reports. A report may
// close or delete the session, so it is always the last thing done.
#include "core/log.h"
#include "rdp/rdp_session.h"

bool RdpSession::StartExternalClient() {
    auto client = std::make_unique<ExternalClient>(hostWindow_, clientOptions_);
    if (!client->Start(server_)) return false;
    external_ = std::move(client);
    // The client runs from here on: a Close must end it, whether or not its
    // window has been found. Until then the user may be answering its
    // prompts, for as long as they need.
    mode_ = SessionMode::Mstsc;
    SetState(SessionState::Connecting, 0, "等待远程桌面客户端窗口…");
    return true;
}

void RdpSession::OnClientTimer(UINT_PTR id) {
    if (external_) OnClientStep(external_->OnTimer(id));
}

void RdpSession::OnClientStep(ExternalClient::Step step) {
    switch (step) {
        case ExternalClient::Step::Nothing:
            return;
        case ExternalClient::Step::Embedded:
            controlWindow_ = external_->window();
            if (hostWindow_ != nullptr) {
                const SIZE client = HostClientSize();
                SyncControlRect(client.cx, client.cy);
            }
            SetState(SessionState::Connecting, 0, "已用系统 mstsc 打开会话");
            return;
        case ExternalClient::Step::EndedUnseen:
            external_.reset();
            mode_ = SessionMode::None;
            SetState(SessionState::Failed, -1, "远程桌面客户端没有打开会话就退出了");
            return;
        case ExternalClient::Step::Gone:
            SetState(SessionState::Disconnected, 1, "已断开");
            return;
    }
}

// The embedded client closed its window by itself: the handle must not be
// used again once another window may carry it.
void RdpSession::OnClientWindowDestroyed(HWND window) {
    if (mode_ != SessionMode::Mstsc || !external_) return;
    if (window == controlWindow_) controlWindow_ = nullptr;
    external_->ForgetWindow(window);
}

// Disconnect: the report follows once the client has gone.
void RdpSession::AskClientToClose() {
    controlWindow_ = nullptr;
    if (external_) OnClientStep(external_->AskToClose());
}

void RdpSession::ReleaseExternalClient() {
    if (!external_) return;
    controlWindow_ = nullptr;
    external_.reset();
}
