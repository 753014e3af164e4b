#include "media/still_picture.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <new>
#include <vector>

#include "media/jpeg_header.h"
#include "media/source_path.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "render/pipeline.h"
#include "render/projection.h"
#include "shell/control_panel.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"

namespace lx {

std::string sourcePath;
std::atomic<int32_t> builtInShown{0};
std::atomic<int32_t> stillRunnerState{0};

namespace {

std::atomic<int32_t> stillRunnersStarting{0};

constexpr DWORD kWorkerStackBytes = 0x100000;
constexpr DWORD kTickMilliseconds = 25;
constexpr DWORD kRestMilliseconds = 225;
constexpr LONG kHimetricPerInch = 2540;

template <typename T>
struct ComRelease {
    T* object = nullptr;
    ~ComRelease() {
        if (object) object->Release();
    }
};

struct OleSession {
    HRESULT result = OleInitialize(nullptr);
    ~OleSession() {
        if (SUCCEEDED(result)) OleUninitialize();
    }
};

// A stream over a movable copy of the bytes; releasing the stream frees it.
IStream* StreamOverCopy(const uint8_t* bytes, size_t count) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, count);
    if (!block) return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes, count);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK || !stream) {
        GlobalFree(block);
        return nullptr;
    }
    return stream;
}

IPicture* LoadPicture(const uint8_t* bytes, size_t count) {
    if (count == 0 || count > size_t(LONG_MAX)) return nullptr;
    IStream* stream = StreamOverCopy(bytes, count);
    if (!stream) return nullptr;
    IPicture* picture = nullptr;
    const HRESULT result = OleLoadPicture(stream, LONG(count), FALSE, IID_IPicture,
                                          reinterpret_cast<void**>(&picture));
    stream->Release();
    if (FAILED(result)) {
        if (picture) picture->Release();
        return nullptr;
    }
    return picture;
}

BITMAPINFOHEADER DibHeader(int32_t width, int32_t height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

// Draws the picture upright into a 32-bit DIB and installs its rows as the
// new source frame.
bool InstallRendered(IPicture* picture, OLE_XSIZE_HIMETRIC hmWidth, OLE_YSIZE_HIMETRIC hmHeight,
                     int32_t width, int32_t height) {
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFOHEADER header = DibHeader(width, height);
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                         DIB_RGB_COLORS, &bits, nullptr, 0);
    bool installed = false;
    if (memory && dib) {
        const HGDIOBJ previous = SelectObject(memory, dib);
        picture->Render(memory, 0, 0, width, height, 0, hmHeight, hmWidth, -hmHeight, nullptr);
        SelectObject(memory, previous);

        stillRenderLock.Acquire();
        installed = AllocateSource(width, height) &&
                    GetDIBits(memory, dib, 0, UINT(height), sourceFrame.pixels.get(),
                              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) == height;
        if (!installed) ReleaseSource();
        MarkSourceChanged();
        stillRenderLock.Release();
    }
    if (dib) DeleteObject(dib);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return installed;
}

// Preparing resizes the viewer window, so it waits until that window exists.
void PrepareLocked() {
    WaitUntilViewerReady();
    stillRenderLock.Acquire();
    PrepareSource();
    stillRenderLock.Release();
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart < LONG_MAX) {
        try {
            bytes.resize(size_t(size.QuadPart));
            DWORD read = 0;
            ok = bytes.empty() ||
                 (ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) &&
                  read == bytes.size());
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    CloseHandle(file);
    return ok;
}

bool ViewAtRest() {
    const ViewState& v = viewState;
    return v.dragging == 0 && v.zoomingIn == 0 && v.zoomingOut == 0 && v.spin == 0;
}

void StartStillRenderWorker() {
    if (!stillWorkers.Admit()) return;
    const HANDLE worker = CreateThread(nullptr, kWorkerStackBytes, StillRenderWorker, nullptr,
                                       0, nullptr);
    if (worker) {
        CloseHandle(worker);
    } else {
        stillWorkers.Leave();
    }
}

void RunRenderTicks() {
    DWORD lastTick = 0;
    while (stillRunnerState != 1) {
        const DWORD now = GetTickCount();
        const bool tick = now > lastTick + kTickMilliseconds;
        if (tick) {
            lastTick = now;
            StartStillRenderWorker();
            PumpOrSleep(kTickMilliseconds);
        }
        if (ViewAtRest()) {
            PumpOrSleep(kRestMilliseconds);
        } else if (!tick) {
            // The millisecond clock advances in steps of up to 16 ms: wait
            // for the next tick without spinning.
            PumpOrSleep(1);
        }
    }
    // No pass of this runner may read the source once it is handed over.
    while (stillWorkers.Count() > 0) PumpOrSleep(1);
}

}  // namespace

bool DecodePicture(const uint8_t* bytes, size_t count) {
    // A picture the renderer would refuse is not decoded first: a 64-bit
    // process decodes even a 30000 x 15000 picture, which takes minutes.
    const DeclaredSize declared = JpegDeclaredSize(bytes, count);
    if (declared.found && !SourceSizeAccepted(declared.width, declared.height)) return false;
    OleSession ole;
    ComRelease<IPicture> picture{LoadPicture(bytes, count)};
    if (!picture.object) return false;
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    if (FAILED(picture.object->get_Width(&hmWidth)) ||
        FAILED(picture.object->get_Height(&hmHeight))) {
        return false;
    }
    const HDC screen = GetDC(nullptr);
    const int32_t width = MulDiv(hmWidth, GetDeviceCaps(screen, LOGPIXELSX), kHimetricPerInch);
    const int32_t height = MulDiv(hmHeight, GetDeviceCaps(screen, LOGPIXELSY), kHimetricPerInch);
    ReleaseDC(nullptr, screen);
    if (!SourceSizeAccepted(width, height)) return false;
    return InstallRendered(picture.object, hmWidth, hmHeight, width, height);
}

bool InstallFallbackFrame() {
    stillRenderLock.Acquire();
    const bool installed = AllocateSource(kFallbackWidth, kFallbackHeight);
    stillRenderLock.Release();
    return installed;
}

void LoadPictureOrBlack(const uint8_t* bytes, size_t count) {
    if (!DecodePicture(bytes, count)) InstallFallbackFrame();
    PrepareLocked();
}

void LoadBuiltInPanorama() {
    const HRSRC resource = FindResourceA(nullptr, "lx360s", "vjpg");
    const DWORD size = resource ? SizeofResource(nullptr, resource) : 0;
    const HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const auto* data = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    std::vector<uint8_t> bytes;
    if (data && size > 0) bytes.assign(data, data + size);
    LoadPictureOrBlack(bytes.data(), bytes.size());
}

int LoadPanoramaFile() {
    const std::string path = TrimSpaces(sourcePath);
    if (path.empty()) return 1;
    std::vector<uint8_t> bytes;
    const bool read = ReadWholeFile(path, bytes);
    if (read && DecodePicture(bytes.data(), bytes.size())) {
        PrepareLocked();
        return 0;
    }
    InstallFallbackFrame();
    PrepareLocked();
    MessageBoxA(panelWindow, kPictureFormatMessage, kErrorCaption, MB_ICONEXCLAMATION);
    return 0;
}

void BeginStillRunner() { ++stillRunnersStarting; }

void EndStillRunnerStart() { --stillRunnersStarting; }

DWORD WINAPI StillRunner(LPVOID) {
    StopMotion();
    if (builtInShown == 0) {
        builtInShown = 1;
        LoadBuiltInPanorama();
    } else if (LoadPanoramaFile() == 1) {
        WaitUntilViewerReady();
        MessageBoxA(panelWindow, kFileErrorMessage, kErrorCaption, MB_ICONHAND);
        SendMessageA(viewerWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
        stillRunnerState = 0;
        EndStillRunnerStart();
        return 0;
    }
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_RIGHT, 0);
    stillRunnerState = 2;
    EndStillRunnerStart();
    RunRenderTicks();
    stillRunnerState = 0;
    return 0;
}

DWORD WINAPI StillRenderWorker(LPVOID) {
    stillRenderLock.Acquire();
    RenderPipeline();
    stillRenderLock.Release();
    stillWorkers.Leave();
    return 0;
}

void StopStillRunner() {
    while (stillRunnersStarting > 0) PumpOrSleep(1);
    if (stillRunnerState != 2) return;
    stillRunnerState = 1;
    while (stillRunnerState != 0) PumpOrSleep(1);
}

}  // namespace lx
