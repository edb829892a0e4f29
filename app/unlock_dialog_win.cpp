#include <windows.h>
// After windows.h, whose types it uses.
#include <windowsx.h>

#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "app/dpi_units.h"
#include "app/unlock_attempts.h"
#include "app/unlock_dialog.h"
#include "app/unlock_layout.h"
#include "app/unlock_paint.h"
#include "config/password.h"
#include "core/gdi_object.h"
#include "core/log.h"
#include "core/secret_crypto.h"
#include "core/unicode.h"

namespace {

constexpr wchar_t kClassName[] = L"TavolinPasswordDlg";
constexpr int kFieldId = 1001;
constexpr wchar_t kMask = 0x25CF;  // "●"
constexpr int kMaxReadChars = 255;
// Posted by the check's thread when its answer is ready.
constexpr UINT kCheckedMessage = WM_APP + 1;

// The fonts and brushes live exactly as long as the dialog's window. The
// dialog is laid out and painted in 96-DPI units; the edit control draws
// itself, in device pixels.
struct DialogGdi {
    explicit DialogGdi(int dpi) : editFont{MakeUiFont(-ToDevice(19, dpi), 400)} {}
    UniqueGdiObject titleFont{MakeUiFont(-22, 600)};
    UniqueGdiObject textFont{MakeUiFont(-15, 400)};
    UniqueGdiObject editFont;
    UniqueGdiObject background{CreateSolidBrush(kUnlockBackground)};
    UniqueGdiObject editBrush{CreateSolidBrush(kUnlockFieldBackground)};
};

// The derivation takes about half a second: it runs on a thread of its own
// so that the dialog keeps painting and moving meanwhile. The thread reads
// only its copies and posts its answer; one that outlives the dialog (the
// user gave up while it ran) is waited for as the dialog goes, once the
// window has gone.
class PasswordCheck {
public:
    PasswordCheck() = default;
    PasswordCheck(const PasswordCheck&) = delete;
    PasswordCheck& operator=(const PasswordCheck&) = delete;
    ~PasswordCheck() {
        if (thread_.joinable()) thread_.join();
    }

    void Start(HWND notify, const SecuritySettings& security, std::string password) {
        thread_ = std::thread([this, notify, security, password = SecretText(std::move(password))] {
            answer_ = CheckStartupPassword(security, password.get());
            PostMessageW(notify, kCheckedMessage, 0, 0);
        });
    }
    // After the posted message: the thread has finished.
    UnlockCheck Answer() {
        if (thread_.joinable()) thread_.join();
        return std::move(answer_);
    }

private:
    std::thread thread_;
    UnlockCheck answer_;
};

struct UnlockDialog {
    UnlockDialog(HINSTANCE instance, AppConfig& config) : instance(instance), config(&config) {}

    HINSTANCE instance;
    AppConfig* config;
    HWND dialog = nullptr;
    HWND edit = nullptr;
    int dpi = kDesignDpi;
    UnlockLayout layout = LayoutUnlockDialog(unlock::kDialogWidth, unlock::kDialogHeight);
    std::optional<DialogGdi> gdi;
    UnlockAttempts attempts;
    PasswordCheck check;
    bool showPassword = false;
    UnlockItem hover = UnlockItem::None;
};

// The running dialog, for the window procedure; set only while it runs.
UnlockDialog* g_dialog = nullptr;

class ActiveDialog {
public:
    explicit ActiveDialog(UnlockDialog* dialog) { g_dialog = dialog; }
    ~ActiveDialog() { g_dialog = nullptr; }
    ActiveDialog(const ActiveDialog&) = delete;
    ActiveDialog& operator=(const ActiveDialog&) = delete;
};

void Repaint(UnlockDialog& d) {
    InvalidateRect(d.dialog, nullptr, FALSE);
}

void LayOut(UnlockDialog& d) {
    RECT client;
    GetClientRect(d.dialog, &client);
    d.layout = LayoutUnlockDialog(ToDesign(client.right, d.dpi), ToDesign(client.bottom, d.dpi));
    const UnlockRect& f = d.layout.field;
    const int left = ToDevice(f.left, d.dpi), top = ToDevice(f.top, d.dpi);
    if (d.edit != nullptr)
        MoveWindow(d.edit, left, top, ToDevice(f.right, d.dpi) - left, ToDevice(f.bottom, d.dpi) - top, TRUE);
}

UnlockItem HitAt(const UnlockDialog& d, LPARAM lParam) {
    return HitUnlockItem(d.layout, ToDesign(GET_X_LPARAM(lParam), d.dpi),
                         ToDesign(GET_Y_LPARAM(lParam), d.dpi));
}

void Submit(UnlockDialog& d) {
    wchar_t typed[kMaxReadChars + 1] = {};
    GetWindowTextW(d.edit, typed, kMaxReadChars + 1);
    std::string password = ToUtf8(typed);
    SecureZeroMemory(typed, sizeof typed);
    const SubmitOutcome outcome = d.attempts.Submit(password);
    if (outcome == SubmitOutcome::Checking) {
        SendMessageW(d.edit, EM_SETREADONLY, TRUE, 0);
        d.check.Start(d.dialog, d.config->security, std::move(password));
    }
    WipeText(password);
    if (outcome == SubmitOutcome::Empty || outcome == SubmitOutcome::Checking) Repaint(d);
}

void OnChecked(UnlockDialog& d) {
    const bool right = ApplyUnlock(*d.config, d.check.Answer());
    const SubmitOutcome outcome = d.attempts.Checked(right);
    SendMessageW(d.edit, EM_SETREADONLY, FALSE, 0);
    if (outcome == SubmitOutcome::Wrong) SetWindowTextW(d.edit, L"");
    SetFocus(d.edit);
    Repaint(d);
}

void ToggleShown(UnlockDialog& d) {
    d.showPassword = !d.showPassword;
    SendMessageW(d.edit, EM_SETPASSWORDCHAR, d.showPassword ? 0 : kMask, 0);
    InvalidateRect(d.edit, nullptr, TRUE);
    SetFocus(d.edit);
    SendMessageW(d.edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    Repaint(d);
}

LRESULT OnMouseMove(UnlockDialog& d, LPARAM lParam) {
    const UnlockItem now = HitAt(d, lParam);
    if (now != d.hover) {
        d.hover = now;
        Repaint(d);
    }
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, d.dialog, 0};
    TrackMouseEvent(&track);
    return 0;
}

LRESULT OnButtonDown(UnlockDialog& d, LPARAM lParam) {
    switch (HitAt(d, lParam)) {
        case UnlockItem::OkButton:
            Submit(d);
            break;
        case UnlockItem::ExitButton:
            d.attempts.GiveUp();
            break;
        case UnlockItem::Toggle:
            ToggleShown(d);
            break;
        case UnlockItem::None:
            // The dialog has no caption: anywhere else drags it.
            ReleaseCapture();
            SendMessageW(d.dialog, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            break;
    }
    return 0;
}

void Paint(UnlockDialog& d) {
    UnlockPaintState state;
    state.layout = &d.layout;
    state.field = d.edit;
    state.titleFont = d.gdi ? static_cast<HFONT>(d.gdi->titleFont.get()) : nullptr;
    state.textFont = d.gdi ? static_cast<HFONT>(d.gdi->textFont.get()) : nullptr;
    state.background = d.gdi ? d.gdi->background.brush() : nullptr;
    state.passwordShown = d.showPassword;
    state.hover = d.hover;
    state.dpi = d.dpi;
    state.line = MessageLineFor(d.attempts.checking(), d.attempts.message(), d.config->security.hint);
    PaintUnlockDialog(d.dialog, state);
}

LRESULT OnFieldColours(UnlockDialog& d, HDC dc) {
    SetTextColor(dc, kUnlockFieldText);
    SetBkColor(dc, kUnlockFieldBackground);
    return reinterpret_cast<LRESULT>(d.gdi ? d.gdi->editBrush.get() : GetStockObject(BLACK_BRUSH));
}

LRESULT HandleMessage(UnlockDialog& d, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            return OnMouseMove(d, lParam);
        case WM_MOUSELEAVE:
            if (d.hover != UnlockItem::None) {
                d.hover = UnlockItem::None;
                Repaint(d);
            }
            return 0;
        case WM_LBUTTONDOWN:
            return OnButtonDown(d, lParam);
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                d.attempts.GiveUp();
                return 0;
            }
            if (wParam == VK_RETURN) {
                Submit(d);
                return 0;
            }
            break;
        case WM_CTLCOLOREDIT:
            return OnFieldColours(d, reinterpret_cast<HDC>(wParam));
        case WM_SIZE:
            LayOut(d);
            return 0;
        case WM_PAINT:
            Paint(d);
            return 0;
        case WM_CLOSE:
            d.attempts.GiveUp();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case kCheckedMessage:
            OnChecked(d);
            return 0;
        case WM_COMMAND:
        case WM_DESTROY:
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Messages of the creation itself arrive before the handle is known.
    if (g_dialog == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (g_dialog->dialog == nullptr) g_dialog->dialog = window;
    return HandleMessage(*g_dialog, window, message, wParam, lParam);
}

bool RegisterDialogClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DialogProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) != 0) return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Centred on the primary monitor, at its scale.
bool CreateDialogWindow(UnlockDialog& d) {
    d.dpi = static_cast<int>(GetDpiForSystem());
    if (d.dpi <= 0) d.dpi = kDesignDpi;
    const int width = ToDevice(unlock::kDialogWidth, d.dpi), height = ToDevice(unlock::kDialogHeight, d.dpi);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    const std::wstring title = ToWide("启动密码");
    d.dialog = CreateWindowExW(WS_EX_TOPMOST, kClassName, title.c_str(), WS_POPUP | WS_VISIBLE, x, y, width,
                               height, nullptr, nullptr, d.instance, nullptr);
    return d.dialog != nullptr;
}

bool CreateField(UnlockDialog& d) {
    d.edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_PASSWORD | ES_AUTOHSCROLL, 30, 112,
                             300, 30, d.dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFieldId)),
                             d.instance, nullptr);
    if (d.edit == nullptr) return false;
    SendMessageW(d.edit, WM_SETFONT, reinterpret_cast<WPARAM>(d.gdi->editFont.get()), FALSE);
    SendMessageW(d.edit, EM_SETLIMITTEXT, unlock::kMaxPasswordChars, 0);
    SendMessageW(d.edit, EM_SETPASSWORDCHAR, kMask, 0);
    const int margin = ToDevice(10, d.dpi);
    SendMessageW(d.edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    LayOut(d);
    return true;
}

// Enter and Escape in the field are the dialog's, not the edit control's.
void RunModalLoop(UnlockDialog& d) {
    MSG msg;
    while (!d.attempts.done() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN && msg.hwnd == d.edit) {
            if (msg.wParam == VK_ESCAPE) {
                d.attempts.GiveUp();
                continue;
            }
            if (msg.wParam == VK_RETURN) {
                Submit(d);
                continue;
            }
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

bool RunUnlockDialog(HINSTANCE instance, AppConfig& config) {
    if (!NeedsUnlock(&config)) return true;
    UnlockDialog d(instance, config);
    const ActiveDialog active(&d);
    if (!RegisterDialogClass(instance)) {
        Log(kLogError, "注册密码窗口类失败");
        return false;
    }
    if (!CreateDialogWindow(d)) {
        Log(kLogError, "创建密码窗口失败");
        return false;
    }
    const int corner = ToDevice(14, d.dpi);
    SetWindowRgn(d.dialog,
                 CreateRoundRectRgn(0, 0, ToDevice(unlock::kDialogWidth, d.dpi) + 1,
                                    ToDevice(unlock::kDialogHeight, d.dpi) + 1, corner, corner),
                 TRUE);
    d.gdi.emplace(d.dpi);
    if (!CreateField(d)) {
        // Without its field the dialog could take no password.
        Log(kLogError, "创建密码窗口失败");
        DestroyWindow(d.dialog);
        return false;
    }
    InvalidateRect(d.dialog, nullptr, TRUE);
    SetForegroundWindow(d.dialog);
    SetFocus(d.edit);
    RunModalLoop(d);
    DestroyWindow(d.dialog);
    d.gdi.reset();
    return d.attempts.unlocked();
}
