// The application base class: window class, main and display windows, the
// window procedure, one main-loop step per Update, frame timing and the
// built-in keys (Escape twice quits, F1 wireframe, F2 texturing).
#include "Engine.h"

#include <new>

#include "Input.h"
#include "StartupReport.h"

namespace qrn {

// The application whose MsgProcNonStatic receives the window messages; set
// by a successful Initialize. Private to the library.
CEngineApplication* g_pApplication = nullptr;

namespace {

constexpr const char kWindowClassName[] = "CEngineApplicationClass";
constexpr const char kWindowTitle[] = "f.e.l.d.m.o.r.a.x";
// Gap between the main window's client edge and the display window.
constexpr int kDisplayMargin = 10;

// The display window's rectangle inside a parent client area of w x h.
void DisplayRect(const RECT& client, int* width, int* height)
{
    *width = static_cast<int>(client.right - client.left) - 2 * kDisplayMargin;
    *height = static_cast<int>(client.bottom - client.top) - 2 * kDisplayMargin;
    if (*width < 0) *width = 0;
    if (*height < 0) *height = 0;
}

} // namespace

CEngineApplication::CEngineApplication()
    : m_pEngine(nullptr),
      m_pRenderDevice(nullptr),
      m_hInstance(nullptr),
      m_hMainWindow(nullptr),
      m_hChildWindows{},
      m_bQuit(false),
      m_bEscapePressed(false),
      m_dwLastTime(timeGetTime()),
      m_dwCurrentTime(0),
      m_fElapsedTime(0.0f),
      m_pInput(nullptr)
{
}

CEngineApplication::~CEngineApplication()
{
    // No message may reach this object once it is gone.
    if (g_pApplication == this) g_pApplication = nullptr;

    delete m_pEngine;  // and with it the render device
    m_pEngine = nullptr;
    m_pRenderDevice = nullptr;

    delete m_pInput;
    m_pInput = nullptr;

    // The windows go before their class, so that the class can be
    // unregistered (and registered again by a later application object).
    if (m_hMainWindow && IsWindow(m_hMainWindow)) DestroyWindow(m_hMainWindow);
    m_hMainWindow = nullptr;
    m_hDisplayWindow = nullptr;

    UnregisterClassA(kWindowClassName, m_hInstance);
}

bool CEngineApplication::CreateWindows()
{
    if (m_hMainWindow) return true;

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = MsgProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = m_hInstance;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kWindowClassName;
    if (!RegisterClassExA(&wc)) return ReportStartupFailure(EStartupFailure::WindowClass, false);

    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - 250;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - 187;
    m_hMainWindow = CreateWindowExA(0, kWindowClassName, kWindowTitle,
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, 640, 480, nullptr,
                                    nullptr, m_hInstance, nullptr);
    if (!m_hMainWindow) return ReportStartupFailure(EStartupFailure::Window, false);

    RECT client{};
    GetClientRect(m_hMainWindow, &client);
    int width = 0, height = 0;
    DisplayRect(client, &width, &height);
    m_hDisplayWindow = CreateWindowExA(WS_EX_CLIENTEDGE, "static", nullptr,
                                       WS_CHILD | WS_VISIBLE | SS_BLACKRECT, kDisplayMargin,
                                       kDisplayMargin, width, height, m_hMainWindow, nullptr,
                                       m_hInstance, nullptr);
    if (!m_hDisplayWindow) return ReportStartupFailure(EStartupFailure::Window, false);

    // Shown by Initialize once the device is ready.
    ShowWindow(m_hMainWindow, SW_HIDE);
    ShowWindow(m_hDisplayWindow, SW_HIDE);

    if (m_pInput) return true;
    CInput* input = new (std::nothrow) CInput();
    if (!input) return ReportStartupFailure(EStartupFailure::OutOfMemory, false);
    m_pInput = input;
    return m_pInput->Init(m_hMainWindow) || ReportStartupFailure(EStartupFailure::Input, false);
}

bool CEngineApplication::Initialize(HINSTANCE instance, bool windowed, SCREENRESOLUTION resolution)
{
    m_hInstance = instance;
    if (m_pEngine) {
        // The device goes with the old engine: forget the borrowed pointer.
        if (g_pApplication == this) g_pApplication = nullptr;
        delete m_pEngine;
        m_pEngine = nullptr;
        m_pRenderDevice = nullptr;
    }

    m_pEngine = new (std::nothrow) CEngine();
    if (!CreateWindows()) return false;
    if (!m_pEngine) return ReportStartupFailure(EStartupFailure::OutOfMemory, windowed);

    m_pRenderDevice = m_pEngine->GetRenderDevice(API_DIRECT3D9);
    if (!m_pRenderDevice) return ReportStartupFailure(EStartupFailure::OutOfMemory, windowed);

    const bool ok = windowed ? m_pRenderDevice->InitWindowed(m_hMainWindow, m_hDisplayWindow, 0)
                             : m_pRenderDevice->InitFullscreen(m_hMainWindow, resolution, 0);
    if (!ok) return ReportStartupFailure(EStartupFailure::RenderDevice, windowed);

    g_pApplication = this;
    // Showing activates the window; its WM_ACTIVATE makes the engine active.
    ShowWindow(m_hMainWindow, SW_SHOW);
    ShowWindow(m_hDisplayWindow, SW_SHOW);
    return true;
}

bool CEngineApplication::Update()
{
    if (m_bQuit) return false;

    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The window went away while the queue was drained: no frame into it.
    if (m_bQuit) return false;

    if (!m_pEngine || !m_pEngine->IsActive()) return true;

    if (m_pInput) m_pInput->Update();
    m_dwCurrentTime = timeGetTime();

    const bool result = UpdateFrame();

    // Unsigned 32-bit difference: right across the wrap of the counter.
    const DWORD elapsed = m_dwCurrentTime - m_dwLastTime;
    m_fElapsedTime = static_cast<float>(elapsed) * 0.001f;
    m_dwLastTime = m_dwCurrentTime;
    return result;
}

void CEngineApplication::KeyMessageProc(unsigned int /*virtualKey*/) {}

bool CEngineApplication::IsWindowed()
{
    return m_pRenderDevice && m_pRenderDevice->IsWindowed();
}

const char* CEngineApplication::GetWindowClassName() { return kWindowClassName; }

void CEngineApplication::GetWindowPosition(long* x, long* y)
{
    RECT r{};
    GetWindowRect(m_hMainWindow, &r);
    if (x) *x = r.left;
    if (y) *y = r.top;
}

void CEngineApplication::GetWindowSize(long* width, long* height)
{
    RECT r{};
    GetWindowRect(m_hMainWindow, &r);
    if (width) *width = r.right - r.left;
    if (height) *height = r.bottom - r.top;
}

void CEngineApplication::GetClientSize(long* width, long* height)
{
    RECT r{};
    GetClientRect(m_hDisplayWindow, &r);
    if (width) *width = r.right - r.left;
    if (height) *height = r.bottom - r.top;
}

float CEngineApplication::GetElapsedTime() { return m_fElapsedTime; }

float CEngineApplication::GetFramesPerSecond() { return 1.0f / m_fElapsedTime; }

LRESULT CALLBACK CEngineApplication::MsgProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    if (g_pApplication) return g_pApplication->MsgProcNonStatic(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CEngineApplication::MsgProcNonStatic(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        m_bQuit = true;
        return 1;

    case WM_SIZE:
        if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
            if (m_pRenderDevice && m_pRenderDevice->IsWindowed() && !SizeMessageProc(window)) {
                RECT client{};
                GetClientRect(window, &client);
                int width = 0, height = 0;
                DisplayRect(client, &width, &height);
                SetWindowPos(GetWindow(window, GW_CHILD), nullptr, kDisplayMargin, kDisplayMargin,
                             width, height, SWP_SHOWWINDOW);
            }
            if (m_pRenderDevice) m_pRenderDevice->ResetRenderWindows();
        }
        break;

    case WM_ACTIVATE:
        if (m_pEngine) m_pEngine->SetActive(wParam != 0);
        break;

    case WM_KEYDOWN:
        switch (wParam) {
        case VK_ESCAPE:
            // The first press only raises the flag (a program may show a
            // closing screen); the second closes the window.
            if (m_bEscapePressed)
                PostMessageA(window, WM_CLOSE, 0, 0);
            else
                m_bEscapePressed = true;
            return 0;
        case VK_F1:
            if (m_pRenderDevice) m_pRenderDevice->SetWireframe(!m_pRenderDevice->IsWireframe());
            break;
        case VK_F2:
            if (m_pRenderDevice)
                m_pRenderDevice->SetTexturing(!m_pRenderDevice->IsTexturingEnabled());
            break;
        default:
            KeyMessageProc(static_cast<unsigned int>(wParam));
            break;
        }
        break;

    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace qrn
