#include "dialogs/dialog_support.h"

#include <vector>

#include "shell/control_panel.h"

namespace lx {

namespace {

void PushText(std::vector<WORD>& words, const char* text) {
    for (const char* c = text; *c; ++c) words.push_back(WORD(static_cast<unsigned char>(*c)));
    words.push_back(0);
}

std::vector<WORD> DialogTemplate(const DialogFrame& frame) {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = frame.style | DS_SETFONT;
    header->x = short(frame.x);
    header->y = short(frame.y);
    header->cx = short(frame.width);
    header->cy = short(frame.height);
    words.push_back(0);  // no menu
    words.push_back(0);  // the dialog class
    PushText(words, frame.title);
    words.push_back(8);
    PushText(words, "MS Sans Serif");
    return words;
}

}  // namespace

HWND CreateDialogFrame(const DialogFrame& frame, HWND owner, DLGPROC procedure) {
    const std::vector<WORD> words = DialogTemplate(frame);
    const HWND dialog = CreateDialogIndirectParamA(
        appInstance, reinterpret_cast<const DLGTEMPLATE*>(words.data()), owner, procedure, 0);
    if (!dialog) return nullptr;
    RECT place = DialogUnitsToPixels(frame.x, frame.y, frame.width, frame.height);
    POINT origin{place.left, place.top};
    if (owner) ClientToScreen(owner, &origin);
    RECT outer{0, 0, place.right - place.left, place.bottom - place.top};
    AdjustWindowRectEx(&outer, DWORD(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongA(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, origin.x, origin.y, outer.right - outer.left,
                 outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return dialog;
}

HWND CreateDialogControl(HWND dialog, DWORD exStyle, const char* className, const char* text,
                         DWORD style, int x, int y, int width, int height, int id) {
    const RECT r = DialogUnitsToPixels(x, y, width, height);
    const HWND control = CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style,
                                         r.left, r.top, r.right - r.left, r.bottom - r.top, dialog,
                                         HMENU(intptr_t(id)), appInstance, nullptr);
    if (control) SendMessageA(control, WM_SETFONT, WPARAM(PanelFont()), FALSE);
    return control;
}

void DialogColors::Set(int id, COLORREF text, COLORREF background) {
    colors_[id] = {text, background, false};
}

void DialogColors::SetTransparent(int id, COLORREF text) { colors_[id] = {text, 0, true}; }

COLORREF DialogColors::TextOf(int id) const {
    const auto found = colors_.find(id);
    return found == colors_.end() ? CLR_INVALID : found->second.text;
}

COLORREF DialogColors::BackgroundOf(int id) const {
    const auto found = colors_.find(id);
    return found == colors_.end() ? CLR_INVALID : found->second.background;
}

HBRUSH DialogColors::Apply(HDC dc, HWND control) const {
    const auto found = colors_.find(GetDlgCtrlID(control));
    if (found == colors_.end()) return nullptr;
    const Colors& c = found->second;
    SetTextColor(dc, c.text);
    if (c.transparent) {
        SetBkMode(dc, TRANSPARENT);
        return HBRUSH(GetStockObject(NULL_BRUSH));
    }
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, c.background);
    return SolidBrushOf(c.background);
}

HBRUSH SolidBrushOf(COLORREF color) {
    static std::map<COLORREF, HBRUSH> brushes;
    HBRUSH& brush = brushes[color];
    if (!brush) brush = CreateSolidBrush(color);
    return brush;
}

INT_PTR HandledWith(HWND dialog, LRESULT result) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

void RunModalDialog(HWND dialog, HWND owner) {
    if (!dialog) return;
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    MSG message;
    while (IsWindow(dialog)) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Waits for the next message like the panel's own loop: at once
            // when one comes, and no processor time while none does.
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            continue;
        }
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            break;
        }
        if (IsWindow(dialog) && IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (owner && IsWindow(owner)) EnableWindow(owner, TRUE);
}

void CloseModalDialog(HWND dialog) {
    if (const HWND owner = GetWindow(dialog, GW_OWNER)) EnableWindow(owner, TRUE);
    DestroyWindow(dialog);
}

}  // namespace lx
