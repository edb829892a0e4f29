#include "support/screen.h"

#include <vector>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"

namespace {

constexpr std::size_t kHeaderBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

}  // namespace

bool Xdotool(std::initializer_list<std::string> args) {
    // Wine's own way to run a program of the host and wait for it:
    // CreateProcess gives no handle for one.
    using SpawnFn = LONG(__cdecl*)(char* const argv[], int wait);
    const auto spawn = reinterpret_cast<SpawnFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (spawn == nullptr) return false;
    std::vector<std::string> copies{"/usr/bin/xdotool"};
    copies.insert(copies.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

bool WindowPicture::Take(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    width_ = rect.right - rect.left;
    height_ = rect.bottom - rect.top;
    // Bottom-up, as a file keeps the rows.
    BITMAPINFOHEADER header = {sizeof header, width_, height_, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD stride = (width_ * 3 + 3) / 4 * 4;
    const BITMAPFILEHEADER file = {0x4D42 /* "BM" */, static_cast<DWORD>(kHeaderBytes + stride * height_), 0,
                                   0, static_cast<DWORD>(kHeaderBytes)};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width_, height_, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    file_.assign(reinterpret_cast<const char*>(&file), sizeof file);
    file_.append(reinterpret_cast<const char*>(&header), sizeof header);
    if (copied) file_.append(static_cast<const char*>(bits), stride * height_);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied;
}

COLORREF WindowPicture::At(int x, int y) const {
    const std::size_t stride = (width_ * 3 + 3) / 4 * 4;
    const std::size_t at = kHeaderBytes + (height_ - 1 - y) * stride + x * 3;
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || at + 3 > file_.size()) return CLR_INVALID;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(file_[at + i]); };
    return RGB(byte(2), byte(1), byte(0));
}

int WindowPicture::Count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) n += At(x, y) == colour ? 1 : 0;
    }
    return n;
}

bool WindowPicture::Save(const char* name) const {
    const std::string folder = JoinPath(ExeDir(), "screenshots");
    return !file_.empty() && EnsureDir(folder) && WriteWholeFile(JoinPath(folder, name), file_);
}
