#include <string>

#include "app/dpi_units.h"
#include "app/unlock_paint.h"
#include "core/gdi_object.h"
#include "core/unicode.h"

namespace {

constexpr COLORREF kOutline = RGB(45, 55, 80);
constexpr COLORREF kAccent = RGB(59, 130, 246);
constexpr COLORREF kTitle = RGB(240, 244, 255);
constexpr COLORREF kSubtitle = RGB(140, 152, 180);
constexpr COLORREF kFrameFill = RGB(26, 33, 50);
constexpr COLORREF kFramePen = RGB(58, 70, 100);
constexpr COLORREF kToggleHover = RGB(120, 170, 255);
constexpr COLORREF kToggle = RGB(120, 134, 165);
constexpr COLORREF kError = RGB(255, 138, 138);
constexpr COLORREF kHint = RGB(130, 145, 175);
constexpr COLORREF kOkHover = RGB(70, 145, 255);
constexpr COLORREF kOk = RGB(52, 120, 235);
constexpr COLORREF kOkLabel = RGB(255, 255, 255);
constexpr COLORREF kExitHover = RGB(44, 54, 78);
constexpr COLORREF kExit = RGB(34, 42, 62);
constexpr COLORREF kExitPen = RGB(56, 68, 96);
constexpr COLORREF kExitLabel = RGB(200, 210, 230);

constexpr UINT kLine = DT_SINGLELINE | DT_NOPREFIX;
constexpr UINT kCentred = kLine | DT_CENTER | DT_VCENTER;

RECT ToRect(const UnlockRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

void DrawLine(HDC dc, const std::string& text, const UnlockRect& where, HFONT font, COLORREF colour,
              UINT format) {
    RECT rect = ToRect(where);
    const std::wstring wide = ToWide(text);
    SelectObject(dc, font);
    SetTextColor(dc, colour);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
}

// A rounded rectangle with 8 x 8 corners; brush and pen live only here.
void DrawRounded(HDC dc, const RECT& rect, COLORREF fill, COLORREF pen) {
    const UniqueGdiObject brush(CreateSolidBrush(fill));
    const UniqueGdiObject outline(CreatePen(PS_SOLID, 1, pen));
    const HGDIOBJ oldBrush = SelectObject(dc, brush.get());
    const HGDIOBJ oldPen = SelectObject(dc, outline.get());
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 8, 8);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

void DrawBackground(HDC dc, HBRUSH background, int width, int height) {
    RECT all{0, 0, width, height};
    FillRect(dc, &all, background);
    const UniqueGdiObject outline(CreatePen(PS_SOLID, 1, kOutline));
    const HGDIOBJ oldPen = SelectObject(dc, outline.get());
    const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 0, 0, width, height);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    RECT accent{0, 0, width, 3};
    const UniqueGdiObject accentBrush(CreateSolidBrush(kAccent));
    FillRect(dc, &accent, accentBrush.brush());
}

// The frame follows the field's real place, 3 pixels outside it.
void DrawFieldFrame(HDC dc, HWND dialog, HWND field, int dpi) {
    if (field == nullptr) return;
    RECT rect;
    GetWindowRect(field, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    rect = RECT{ToDesign(rect.left, dpi), ToDesign(rect.top, dpi), ToDesign(rect.right, dpi),
                ToDesign(rect.bottom, dpi)};
    InflateRect(&rect, 3, 3);
    DrawRounded(dc, rect, kFrameFill, kFramePen);
}

void DrawMessageLine(HDC dc, const UnlockPaintState& state) {
    if (state.line.tone == UnlockMessageLine::Tone::None) return;
    const COLORREF colour = state.line.tone == UnlockMessageLine::Tone::Error ? kError : kHint;
    DrawLine(dc, state.line.text, state.layout->message, state.textFont, colour, kLine | DT_END_ELLIPSIS);
}

void DrawButton(HDC dc, const UnlockRect& where, const char* label, HFONT font, bool hovered, bool ok) {
    const COLORREF fill = ok ? (hovered ? kOkHover : kOk) : (hovered ? kExitHover : kExit);
    DrawRounded(dc, ToRect(where), fill, ok ? kOk : kExitPen);
    DrawLine(dc, label, where, font, ok ? kOkLabel : kExitLabel, kCentred);
}

// Hover colours follow the hover the mouse messages keep (state.hover),
// which a move off an item or out of the dialog always clears.
void DrawDialog(HDC dc, HWND dialog, const UnlockPaintState& state, int width, int height) {
    const UnlockLayout& layout = *state.layout;
    SetBkMode(dc, TRANSPARENT);
    DrawBackground(dc, state.background, width, height);
    DrawLine(dc, "远程桌面管理器", layout.title, state.titleFont, kTitle, kLine);
    DrawLine(dc, "程序已启用启动密码，请输入后继续", layout.subtitle, state.textFont, kSubtitle, kLine);
    DrawFieldFrame(dc, dialog, state.field, state.dpi);
    DrawLine(dc, ToggleLabel(state.passwordShown), layout.toggle, state.textFont,
             state.hover == UnlockItem::Toggle ? kToggleHover : kToggle, kCentred);
    DrawMessageLine(dc, state);
    DrawButton(dc, layout.okButton, "进入", state.textFont, state.hover == UnlockItem::OkButton, true);
    DrawButton(dc, layout.exitButton, "退出", state.textFont, state.hover == UnlockItem::ExitButton, false);
}

}  // namespace

void PaintUnlockDialog(HWND dialog, const UnlockPaintState& state) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(dialog, &paint);
    if (target == nullptr) return;
    RECT client;
    GetClientRect(dialog, &client);
    const int width = client.right;
    const int height = client.bottom;
    HDC memory = CreateCompatibleDC(target);
    const UniqueGdiObject bitmap(CreateCompatibleBitmap(target, width, height));
    if (memory != nullptr && bitmap.get() != nullptr && state.layout != nullptr &&
        state.background != nullptr) {
        const HGDIOBJ oldBitmap = SelectObject(memory, bitmap.get());
        const HGDIOBJ oldFont = GetCurrentObject(memory, OBJ_FONT);
        {
            const DesignUnits units(memory, state.dpi);
            DrawDialog(memory, dialog, state, ToDesign(width, state.dpi), ToDesign(height, state.dpi));
        }
        BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldFont);
        SelectObject(memory, oldBitmap);
    }
    if (memory != nullptr) DeleteDC(memory);
    EndPaint(dialog, &paint);
}
