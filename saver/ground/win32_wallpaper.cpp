#include "win32_wallpaper.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "renderer/image/mapped_file.h"
#include "saver/main/win32_text.h"
#include "jpeg_reduced.h"
#include "picture_header.h"

// The JPEG decoder's scaling interface, which MinGW's headers lack.
MIDL_INTERFACE("3B16811B-6A43-4ec9-B713-3D5A0C13B940")
IWICBitmapSourceTransform : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format, WICBitmapTransformOptions transform,
                                                 UINT stride, UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
__CRT_UUID_DECL(IWICBitmapSourceTransform, 0x3B16811B, 0x6A43, 0x4ec9, 0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40)

namespace {

// A COM interface held for a scope.
template <class T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    // For a function that hands one out: whatever was held is let go first.
    T** operator&() {
        if (p_) p_->Release();
        p_ = nullptr;
        return &p_;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// A picture file larger than this is not read: the largest picture within the bound, as an
// uncompressed BMP, is about 120 MB.
constexpr size_t kMaxWallpaperBytes = 256u << 20;

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kColoursKey[] = L"Control Panel\\Colors";
const wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// A value of the user's (a string, its variables expanded, or a number as its decimal text);
// false where there is none.
bool ReadUserValue(const wchar_t* key, const wchar_t* name, std::string& text) {
    HKEY opened = nullptr;
    // The 64-bit view, which the desktop reads, from the 32-bit program too.
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0, size = 0;
    bool found = RegQueryValueExW(opened, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                 size <= 65536;
    // Room for a terminator the value may lack, after its last whole character (an odd size too).
    std::vector<BYTE> bytes((size + 1) / 2 * 2 + 2 * sizeof(wchar_t), 0);
    found = found && RegQueryValueExW(opened, name, nullptr, &type, bytes.data(), &size) == ERROR_SUCCESS;
    RegCloseKey(opened);
    if (!found) return false;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number;
        std::memcpy(&number, bytes.data(), sizeof number);
        text = std::to_string(number);
        return true;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::wstring value(reinterpret_cast<const wchar_t*>(bytes.data()));
    if (type == REG_EXPAND_SZ) {
        std::vector<wchar_t> expanded(32768);
        const DWORD length = ExpandEnvironmentStringsW(value.c_str(), expanded.data(), DWORD(expanded.size()));
        if (length > 0 && length <= expanded.size()) value = expanded.data();
    }
    text = WideToUtf8(value);
    return true;
}

WallpaperValues ReadWallpaperValues() {
    WallpaperValues values;
    std::vector<wchar_t> file(32768, L'\0');
    if (SystemParametersInfoW(SPI_GETDESKWALLPAPER, UINT(file.size() - 1), file.data(), 0)) {
        values.file = WideToUtf8(file.data());
    }
    ReadUserValue(kDesktopKey, L"WallpaperStyle", values.style);
    ReadUserValue(kDesktopKey, L"TileWallpaper", values.tile);
    ReadUserValue(kColoursKey, L"Background", values.background);
    values.policyFileSet = ReadUserValue(kPolicyKey, L"Wallpaper", values.policyFile);
    values.policyStyleSet = ReadUserValue(kPolicyKey, L"WallpaperStyle", values.policyStyle);
    return values;
}

// What IDesktopWallpaper says for `monitors`; false where the system has no such object (before
// Windows 8, and Wine 8: class not registered).
bool AskDesktopWallpaper(const std::vector<PixelRect>& monitors, DesktopWallpaperAnswer& answer) {
    Com<IDesktopWallpaper> desktop;
    if (FAILED(CoCreateInstance(CLSID_DesktopWallpaper, nullptr, CLSCTX_ALL, IID_IDesktopWallpaper,
                                reinterpret_cast<void**>(&desktop)))) {
        return false;
    }
    DESKTOP_WALLPAPER_POSITION position = DWPOS_FILL;
    COLORREF colour = 0;
    if (FAILED(desktop->GetPosition(&position)) || FAILED(desktop->GetBackgroundColor(&colour))) return false;
    answer.position = static_cast<int>(position);
    answer.backgroundColour = colour;
    answer.monitors.assign(monitors.size(), {});
    UINT count = 0;
    if (FAILED(desktop->GetMonitorDevicePathCount(&count))) return true;
    for (UINT i = 0; i < count; ++i) {
        LPWSTR id = nullptr;
        if (FAILED(desktop->GetMonitorDevicePathAt(i, &id)) || !id) continue;
        RECT r = {};
        LPWSTR file = nullptr;
        // A monitor that is not shown now has no rectangle.
        if (SUCCEEDED(desktop->GetMonitorRECT(id, &r))) {
            const HRESULT got = desktop->GetWallpaper(id, &file);
            for (size_t m = 0; m < monitors.size(); ++m) {
                const PixelRect& ours = monitors[m];
                if (r.left != ours.left || r.top != ours.top || r.right - r.left != ours.width ||
                    r.bottom - r.top != ours.height || FAILED(got)) {
                    continue;
                }
                DesktopWallpaperAnswer::Monitor& said = answer.monitors[m];
                said.answered = true;
                said.file = file ? WideToUtf8(file) : "";
                said.slideshow = got == S_FALSE && said.file.empty();
            }
        }
        CoTaskMemFree(file);
        CoTaskMemFree(id);
    }
    return true;
}

// Where the system keeps its copy of the picture its desktop shows now.
std::vector<std::string> ShownCopies() {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) || !folder[0]) return {};
    const std::string themes = WideToUtf8(folder) + "\\Microsoft\\Windows\\Themes\\";
    return {themes + "TranscodedWallpaper", themes + "TranscodedWallpaper.jpg"};
}

// Opens the file as the desktop would: a 32-bit program under 64-bit Windows reads the system
// folder the desktop reads, not its own redirected one.
MappedFile::Result MapAsTheDesktop(MappedFile& mapped, const std::wstring& path) {
    void* redirection = nullptr;
    const bool redirected = Wow64DisableWow64FsRedirection(&redirection) != FALSE;
    const MappedFile::Result result = mapped.Open(path.c_str(), MappedFile::Reach::LocalDisk);
    if (redirected) Wow64RevertWow64FsRedirection(redirection);
    return result;
}

// Rows of `frame` (any pixel format) into `picture`, a band at a time: converted to 32-bit
// blue-green-red-alpha (the conversion every decoder's format has, where a direct one to three
// bytes is missing for some: Wine's from indexed colours), the fourth byte dropped.
bool CopyWhole(IWICImagingFactory* factory, IWICBitmapSource* frame, BgrPicture& picture) {
    Com<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom))) {
        return false;
    }
    // At most 64 rows a band, and at most 4 MB of them (one row, however long): a picture of
    // 40 million pixels in one row must not ask for 64 of them.
    const UINT stride = static_cast<UINT>(picture.width) * 4;
    const int bandRows = static_cast<int>(std::max<UINT>(1, std::min<UINT>(64, (4u << 20) / stride)));
    std::vector<uint8_t> band(size_t(stride) * bandRows);
    picture.bgr.resize(size_t(picture.width) * picture.height * 3);
    uint8_t* out = picture.bgr.data();
    for (int y = 0; y < picture.height; y += bandRows) {
        const int rows = std::min(bandRows, picture.height - y);
        const WICRect part = {0, y, picture.width, rows};
        if (FAILED(converter->CopyPixels(&part, stride, stride * rows, band.data()))) return false;
        for (size_t i = 0; i < size_t(picture.width) * rows; ++i, out += 3) std::memcpy(out, &band[i * 4], 3);
    }
    return true;
}

// The decoder's own scaled decode, to exactly `size`; false where it has none.
bool CopyScaled(IWICBitmapFrameDecode* frame, PixelSize size, BgrPicture& picture) {
    Com<IWICBitmapSourceTransform> transform;
    if (FAILED(frame->QueryInterface(__uuidof(IWICBitmapSourceTransform), reinterpret_cast<void**>(&transform)))) {
        return false;
    }
    UINT width = size.width, height = size.height;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(transform->GetClosestSize(&width, &height)) || width != UINT(size.width) ||
        height != UINT(size.height) || FAILED(transform->GetClosestPixelFormat(&format))) {
        return false;
    }
    // Colour as it is; grey (a JPEG of one component) spread over the three channels.
    const bool grey = format == GUID_WICPixelFormat8bppGray;
    if (!grey && format != GUID_WICPixelFormat24bppBGR) return false;
    picture.width = size.width;
    picture.height = size.height;
    const size_t pixels = size_t(width) * height;
    picture.bgr.resize(pixels * 3);
    const UINT stride = grey ? width : width * 3;
    if (FAILED(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0, stride,
                                     UINT(stride * height), picture.bgr.data()))) {
        return false;
    }
    for (size_t i = grey ? pixels : 0; i-- > 0;) {
        const uint8_t value = picture.bgr[i];
        picture.bgr[i * 3] = picture.bgr[i * 3 + 1] = picture.bgr[i * 3 + 2] = value;
    }
    return true;
}

// LoadWallpaperPicture, but for memory that runs out.
bool LoadPicture(const std::string& file, const ShownSize& shown, BgrPicture& picture, PixelSize& full) {
    MappedFile mapped;
    if (MapAsTheDesktop(mapped, Utf8ToWide(file)) != MappedFile::Result::Mapped || mapped.Size() > kMaxWallpaperBytes) {
        return false;
    }
    PictureHeader header = ReadPictureHeader(mapped.Data(), mapped.Size());
    // A header of a kind read here gives the size; one that does not is damaged.
    if (header.format != PictureFormat::Other && header.size.width == 0) return false;

    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    // Opened on the file's bytes as they were judged; only a decoder that scales, or a picture
    // within the bound, gets as far as this, as some decoders decode the whole picture here.
    auto open = [&]() {
        return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
               SUCCEEDED(factory->CreateStream(&stream)) &&
               SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(mapped.Data()), DWORD(mapped.Size()))) &&
               SUCCEEDED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                          &decoder)) &&
               SUCCEEDED(decoder->GetFrame(0, &frame));
    };
    if (header.format == PictureFormat::Other) {
        // Whatever codec the system has for it states the size (such decoders read lazily).
        UINT width = 0, height = 0;
        if (!open() || FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 ||
            width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
            return false;
        }
        header.size = {int(width), int(height)};
    }
    full = header.size;
    const DecodeChoice choice = ChooseDecode(header.format, header.size, shown(header.size));
    if (!choice.fits) return false;
    if (choice.denominator > 1) {
        const ReducedJpeg reduced = ReadJpegReduced(mapped.Data(), mapped.Size(), choice.denominator, picture);
        if (reduced != ReducedJpeg::Unsupported) return reduced == ReducedJpeg::Read;
        // A JPEG of another kind (progressive, say): the system's decoder where it scales;
        // otherwise whole, where that is within the bound.
        if ((frame || open()) && CopyScaled(frame.get(), choice.size, picture)) return true;
        if (!frame || uint64_t(header.size.width) * uint64_t(header.size.height) > kMaxDecodedPixels) return false;
    }
    if (!frame && !open()) return false;
    // The decoder's own size (a GIF's first image may differ from its screen) within the bound
    // as well.
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > 0x7FFFFFFF ||
        height > 0x7FFFFFFF || uint64_t(width) * height > kMaxDecodedPixels) {
        return false;
    }
    picture.width = full.width = int(width);
    picture.height = full.height = int(height);
    return CopyWhole(factory.get(), frame.get(), picture);
}

}  // namespace

WallpaperSetup ReadWallpaperSetup(const std::vector<PixelRect>& monitors) {
    DesktopWallpaperAnswer answer;
    const bool answered = AskDesktopWallpaper(monitors, answer);
    return ResolveWallpaper(ReadWallpaperValues(), answered ? &answer : nullptr, monitors.size(), ShownCopies());
}

bool LoadWallpaperPicture(const std::string& file, const ShownSize& shown, BgrPicture& picture, PixelSize& full) {
    picture = BgrPicture();
    try {
        return LoadPicture(file, shown, picture, full);
    } catch (const std::bad_alloc&) {
        // Within the bound, but more than this program's memory holds now: a picture not had.
        picture = BgrPicture();
        return false;
    }
}
