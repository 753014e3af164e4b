#include "media/media_graph.h"

#include <cstring>
#include <vector>

namespace lx {

MediaGraph mediaGraph;
std::atomic<int32_t> graphBusy{0};
std::atomic<uint32_t> samplesArrived{0};
std::atomic<int32_t> samplesCounted{0};

namespace {

// MinGW declares the grabber's interfaces but not these two classes.
constexpr GUID kSampleGrabberClass = {
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr GUID kNullRendererClass = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr DWORD kCreateContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

// Counts the samples the grabber receives; lives as long as the process.
class SampleCounter : public ISampleGrabberCB {
public:
    STDMETHODIMP QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        if (id == IID_IUnknown || id == IID_ISampleGrabberCB) {
            *object = static_cast<ISampleGrabberCB*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double, IMediaSample*) override {
        samplesArrived.fetch_add(1);
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, long) override { return S_OK; }
};

SampleCounter sampleCounter;

template <typename T>
void ReleaseField(T*& field) {
    if (field) field->Release();
    field = nullptr;
}

template <typename T>
void Create(const GUID& classId, T*& field) {
    ReleaseField(field);
    CoCreateInstance(classId, nullptr, kCreateContext, __uuidof(T), reinterpret_cast<void**>(&field));
}

void FreeMediaTypeContents(AM_MEDIA_TYPE& type) {
    if (type.cbFormat != 0 && type.pbFormat) CoTaskMemFree(type.pbFormat);
    if (type.pUnk) type.pUnk->Release();
    type = AM_MEDIA_TYPE{};
}

bool IsOneOf(IBaseFilter* filter, std::initializer_list<IBaseFilter*> ours) {
    for (IBaseFilter* f : ours) {
        if (f == filter) return true;
    }
    return false;
}

struct PinSummary {
    int outputs = 0;
    int connectedOutputs = 0;
    bool videoInput = false;
};

PinSummary SummarisePins(IBaseFilter* filter) {
    PinSummary summary;
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)) || !pins) return summary;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK && pin) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        pin->QueryDirection(&direction);
        IPin* peer = nullptr;
        const bool connected = SUCCEEDED(pin->ConnectedTo(&peer)) && peer;
        if (peer) peer->Release();
        if (direction == PINDIR_OUTPUT) {
            ++summary.outputs;
            if (connected) ++summary.connectedOutputs;
        } else if (connected) {
            AM_MEDIA_TYPE type{};
            if (SUCCEEDED(pin->ConnectionMediaType(&type))) {
                summary.videoInput = summary.videoInput || type.majortype == MEDIATYPE_Video;
                FreeMediaTypeContents(type);
            }
        }
        pin->Release();
        pin = nullptr;
    }
    pins->Release();
    return summary;
}

std::vector<IBaseFilter*> FiltersOf(IGraphBuilder* graph) {
    std::vector<IBaseFilter*> filters;
    IEnumFilters* all = nullptr;
    if (FAILED(graph->EnumFilters(&all)) || !all) return filters;
    IBaseFilter* filter = nullptr;
    while (all->Next(1, &filter, nullptr) == S_OK && filter) {
        filters.push_back(filter);
        filter = nullptr;
    }
    all->Release();
    return filters;
}

// Removes every filter the test picks, other than ours; true when one went.
template <typename Test>
bool RemoveFiltersWhere(Test test) {
    const MediaGraph& g = mediaGraph;
    bool removed = false;
    for (IBaseFilter* filter : FiltersOf(g.graph)) {
        if (!IsOneOf(filter, {g.grabberFilter, g.nullRenderer, g.sourceFilter}) &&
            test(SummarisePins(filter))) {
            removed = SUCCEEDED(g.graph->RemoveFilter(filter)) || removed;
        }
        filter->Release();
    }
    return removed;
}

// Rendering the file for its sound also decodes its picture a second time,
// for a video renderer whose window stays hidden. That branch costs a second
// decoder, and a splitter feeding both it and the sound cannot be stopped
// after a seek here (one of its streaming threads is never woken). So the
// renderer goes, and then every filter left with nothing connected behind
// it, which leaves the sound's splitter one connected pin.
void RemoveHiddenVideoBranch() {
    RemoveFiltersWhere([](const PinSummary& p) { return p.outputs == 0 && p.videoInput; });
    for (int round = 0; round < 8; ++round) {
        const bool removed = RemoveFiltersWhere(
            [](const PinSummary& p) { return p.outputs > 0 && p.connectedOutputs == 0; });
        if (!removed) break;
    }
}

bool ConnectedFormatUsable() {
    const AM_MEDIA_TYPE& type = mediaGraph.mediaType;
    return type.formattype == FORMAT_VideoInfo && type.pbFormat &&
           type.cbFormat >= sizeof(VIDEOINFOHEADER);
}

std::wstring WideName(const char* name) {
    wchar_t buffer[255] = {};
    MultiByteToWideChar(CP_ACP, 0, name, -1, buffer, 254);
    return buffer;
}

bool WaitForState() {
    OAFilterState state = State_Stopped;
    const HRESULT result = mediaGraph.mediaControl->GetState(kGraphStateTimeoutMs, &state);
    return result == S_OK;
}

void SetPosition(int64_t position) {
    if (!mediaGraph.mediaSeeking) return;
    LONGLONG current = position;
    LONGLONG stop = 0;
    mediaGraph.mediaSeeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, &stop,
                                          AM_SEEKING_NoPositioning);
}

DWORD WINAPI StopOnItsOwnThread(LPVOID control) {
    const HRESULT com = CoInitialize(nullptr);
    static_cast<IMediaControl*>(control)->Stop();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

}  // namespace

HRESULT FindPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin) {
    *pin = nullptr;
    IEnumPins* pins = nullptr;
    if (!filter || FAILED(filter->EnumPins(&pins)) || !pins) return E_FAIL;
    IPin* candidate = nullptr;
    while (pins->Next(1, &candidate, nullptr) == S_OK && candidate) {
        PIN_DIRECTION found = PIN_DIRECTION(-1);
        if (SUCCEEDED(candidate->QueryDirection(&found)) && found == direction) {
            pins->Release();
            *pin = candidate;
            return S_OK;
        }
        candidate->Release();
        candidate = nullptr;
    }
    pins->Release();
    return E_FAIL;
}

void ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
    MediaGraph& g = mediaGraph;
    ReleaseField(g.outPin);
    ReleaseField(g.inPin);
    FindPin(to, PINDIR_INPUT, &g.inPin);
    FindPin(from, PINDIR_OUTPUT, &g.outPin);
    if (graph && g.outPin && g.inPin) graph->Connect(g.outPin, g.inPin);
}

const char* BuildMediaGraph(const std::wstring& path) {
    MediaGraph& g = mediaGraph;
    Create(CLSID_FilterGraph, g.graph);
    Create(kSampleGrabberClass, g.grabberFilter);
    Create(kNullRendererClass, g.nullRenderer);
    ReleaseField(g.grabber);
    if (g.grabberFilter) {
        g.grabberFilter->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&g.grabber));
    }
    if (!g.grabber) return kNoGrabberInterfaceMessage;
    // Creating the graph or the Null Renderer may fail too; either shows as
    // the step that needs it failing.
    if (!g.graph || g.graph->AddFilter(g.grabberFilter, WideName("Sample Grabber").c_str()) != S_OK) {
        return kAddGrabberMessage;
    }
    FreeMediaTypeContents(g.mediaType);
    g.mediaType.majortype = MEDIATYPE_Video;
    g.mediaType.subtype = MEDIASUBTYPE_RGB32;
    g.mediaType.formattype = FORMAT_VideoInfo;
    if (g.grabber->SetMediaType(&g.mediaType) != S_OK) return kGrabberTypeMessage;
    ReleaseField(g.sourceFilter);
    if (g.graph->AddSourceFilter(path.c_str(), WideName("Source").c_str(), &g.sourceFilter) != S_OK ||
        !g.sourceFilter) {
        return kAddSourceMessage;
    }
    ConnectFilters(g.graph, g.sourceFilter, g.grabberFilter);
    if (!g.nullRenderer || g.graph->AddFilter(g.nullRenderer, WideName("NullRenderer").c_str()) != S_OK) {
        return kAddNullRendererMessage;
    }
    ConnectFilters(g.graph, g.grabberFilter, g.nullRenderer);
    if (g.grabber->SetBufferSamples(TRUE) != S_OK) return kBufferSamplesMessage;
    g.graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&g.mediaControl));
    g.graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&g.videoWindow));
    g.graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&g.mediaSeeking));
    g.graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&g.mediaEvent));
    g.graph->RenderFile(path.c_str(), nullptr);
    RemoveHiddenVideoBranch();
    g.graph->SetDefaultSyncSource();
    if (g.videoWindow) g.videoWindow->put_AutoShow(OAFALSE);
    FreeMediaTypeContents(g.mediaType);
    if (g.grabber->GetConnectedMediaType(&g.mediaType) != S_OK || !ConnectedFormatUsable()) {
        return kVideoFormatMessage;
    }
    std::memcpy(&g.videoInfo, g.mediaType.pbFormat, sizeof(VIDEOINFOHEADER));
    g.grabber->SetOneShot(FALSE);
    g.grabber->SetBufferSamples(TRUE);
    samplesArrived = 0;
    samplesCounted = g.grabber->SetCallback(&sampleCounter, 0) == S_OK ? 1 : 0;
    Sleep(10);
    g.duration = 0;
    if (g.mediaSeeking) {
        g.mediaSeeking->GetDuration(&g.duration);
        g.mediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    }
    g.durationSeconds = double(g.duration) / 10000000.0;
    if (!g.mediaControl) return kVideoFormatMessage;
    return nullptr;
}

int32_t ConnectedWidth() { return mediaGraph.videoInfo.bmiHeader.biWidth; }

int32_t ConnectedHeight() {
    const LONG height = mediaGraph.videoInfo.bmiHeader.biHeight;
    if (height == LONG(0x80000000)) return 0;
    return height < 0 ? -height : height;
}

bool ConnectedTopDown() { return mediaGraph.videoInfo.bmiHeader.biHeight < 0; }

void ReleaseGraph() {
    MediaGraph& g = mediaGraph;
    if (g.grabber) g.grabber->SetCallback(nullptr, 0);
    samplesCounted = 0;
    ReleaseField(g.mediaEvent);
    ReleaseField(g.mediaSeeking);
    ReleaseField(g.videoWindow);
    ReleaseField(g.mediaControl);
    ReleaseField(g.grabber);
    ReleaseField(g.grabberFilter);
    ReleaseField(g.sourceFilter);
    ReleaseField(g.nullRenderer);
    ReleaseField(g.outPin);
    ReleaseField(g.inPin);
    ReleaseField(g.graph);
    FreeMediaTypeContents(g.mediaType);
    g.videoInfo = VIDEOINFOHEADER{};
    g.sampleSize = 0;
    g.duration = 0;
    g.durationSeconds = 0;
}

void AbandonGraph() {
    samplesCounted = 0;
    mediaGraph = MediaGraph{};
}

void RunGraph() {
    if (mediaGraph.mediaControl) mediaGraph.mediaControl->Run();
}

void PauseGraph() {
    if (!mediaGraph.mediaControl) return;
    mediaGraph.mediaControl->Pause();
    WaitForState();
}

void SeekGraph(int64_t position) {
    if (!mediaGraph.mediaControl) return;
    mediaGraph.mediaControl->Pause();
    SetPosition(position);
    WaitForState();
}

void RewindGraph(bool runAfterwards) {
    if (!mediaGraph.mediaControl) return;
    mediaGraph.mediaControl->Stop();
    SetPosition(0);
    mediaGraph.mediaControl->Pause();
    WaitForState();
    if (runAfterwards) mediaGraph.mediaControl->Run();
}

bool StopGraph(DWORD timeoutMs) {
    IMediaControl* control = mediaGraph.mediaControl;
    if (!control) return true;
    control->AddRef();
    const HANDLE stopper = CreateThread(nullptr, 0, StopOnItsOwnThread, control, 0, nullptr);
    if (!stopper) {
        control->Stop();
        control->Release();
        return true;
    }
    const bool stopped = WaitForSingleObject(stopper, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(stopper);
    // A stopper still waiting keeps its reference: the graph is abandoned.
    if (stopped) control->Release();
    return stopped;
}

int64_t GraphPosition(int64_t otherwise) {
    LONGLONG position = 0;
    if (mediaGraph.mediaSeeking && mediaGraph.mediaSeeking->GetCurrentPosition(&position) == S_OK) {
        return position;
    }
    return otherwise;
}

bool GraphStreamEnded() {
    IMediaEvent* events = mediaGraph.mediaEvent;
    if (!events) return false;
    bool ended = false;
    long code = 0;
    LONG_PTR first = 0;
    LONG_PTR second = 0;
    while (events->GetEvent(&code, &first, &second, 0) == S_OK) {
        ended = ended || code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT ||
                code == EC_STREAM_ERROR_STOPPED;
        events->FreeEventParams(code, first, second);
    }
    return ended;
}

}  // namespace lx
