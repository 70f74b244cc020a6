// The input object over the DirectInput stand-in, fed with SDL events pushed
// into the queue exactly where the devices' events arrive.
#include <climits>
#include <memory>

#include "app/Input.h"
#include "input_fixture.h"

using qrn::CInput;
namespace testctl = qrn::win32::testctl;

TEST_F(InputTest, KeysHeldAcrossFramesReadDownInEachFrame)
{
    CInput input;
    ASSERT_TRUE(input.Init(m_main));
    input.Update();
    EXPECT_FALSE(input.IsKeyDown(DIK_W));
    Key(SDL_SCANCODE_W, true);
    Key(SDL_SCANCODE_F3, true);
    input.Update();
    EXPECT_TRUE(input.IsKeyDown(DIK_W));
    EXPECT_TRUE(input.IsKeyDown(DIK_F3));
    EXPECT_FALSE(input.IsKeyDown(DIK_S));
    EXPECT_FALSE(input.IsKeyDown('W'));  // a virtual-key code is not a scan code
    input.Update();
    input.Update();
    EXPECT_TRUE(input.IsKeyDown(DIK_W));  // no edge detection for keys
    Key(SDL_SCANCODE_W, false);
    Key(SDL_SCANCODE_UP, true);
    Key(SDL_SCANCODE_RCTRL, true);
    input.Update();
    EXPECT_FALSE(input.IsKeyDown(DIK_W));
    EXPECT_TRUE(input.IsKeyDown(DIK_F3));
    EXPECT_TRUE(input.IsKeyDown(DIK_UP));
    EXPECT_TRUE(input.IsKeyDown(DIK_RCONTROL));
    EXPECT_FALSE(input.IsKeyDown(DIK_LCONTROL));
    Key(SDL_SCANCODE_F3, false);
    Key(SDL_SCANCODE_UP, false);
    Key(SDL_SCANCODE_RCTRL, false);
    input.Update();
    for (unsigned k = 0; k < 256; ++k) EXPECT_FALSE(input.IsKeyDown(k)) << k;
}

TEST_F(InputTest, MouseMovementIsRelativeToThePreviousPoll)
{
    CInput input;
    ASSERT_TRUE(input.Init(m_main));
    Motion(5, -3);
    Motion(2, 1);
    input.Update();
    long dx = 99, dy = 99;
    ASSERT_TRUE(input.GetMouseMovement(&dx, &dy));
    EXPECT_EQ(dx, 7);
    EXPECT_EQ(dy, -2);
    input.Update();
    ASSERT_TRUE(input.GetMouseMovement(&dx, &dy));
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    Motion(-40, 25);
    input.Update();
    ASSERT_TRUE(input.GetMouseMovement(&dx, &dy));
    EXPECT_EQ(dx, -40);
    EXPECT_EQ(dy, 25);
}

TEST_F(InputTest, ButtonEdgesBetweenPolls)
{
    CInput input;
    ASSERT_TRUE(input.Init(m_main));
    input.Update();
    Button(SDL_BUTTON_LEFT, true);
    input.Update();
    EXPECT_TRUE(input.IsMouseButtonDown(0));
    EXPECT_TRUE(input.IsMouseButtonPressed(0));
    EXPECT_FALSE(input.IsMouseButtonReleased(0));
    input.Update();  // held across two polls: down, neither pressed nor released
    EXPECT_TRUE(input.IsMouseButtonDown(0));
    EXPECT_FALSE(input.IsMouseButtonPressed(0));
    EXPECT_FALSE(input.IsMouseButtonReleased(0));
    Button(SDL_BUTTON_LEFT, false);
    input.Update();
    EXPECT_FALSE(input.IsMouseButtonDown(0));
    EXPECT_FALSE(input.IsMouseButtonPressed(0));
    EXPECT_TRUE(input.IsMouseButtonReleased(0));
    input.Update();
    EXPECT_FALSE(input.IsMouseButtonReleased(0));

    // Pressed and released between two polls: not seen.
    Button(SDL_BUTTON_RIGHT, true);
    Button(SDL_BUTTON_RIGHT, false);
    input.Update();
    EXPECT_FALSE(input.IsMouseButtonDown(1));
    EXPECT_FALSE(input.IsMouseButtonPressed(1));

    // Right, middle and the fourth button map to 1, 2, 3.
    Button(SDL_BUTTON_RIGHT, true);
    Button(SDL_BUTTON_MIDDLE, true);
    Button(SDL_BUTTON_X1, true);
    input.Update();
    EXPECT_TRUE(input.IsMouseButtonPressed(1));
    EXPECT_TRUE(input.IsMouseButtonPressed(2));
    EXPECT_TRUE(input.IsMouseButtonPressed(3));
    EXPECT_FALSE(input.IsMouseButtonDown(0));
    Button(SDL_BUTTON_RIGHT, false);
    Button(SDL_BUTTON_MIDDLE, false);
    Button(SDL_BUTTON_X1, false);
    input.Update();
    EXPECT_TRUE(input.IsMouseButtonReleased(3));
}

// Losing the focus makes the next poll fail: everything reads as up, a held
// button as released; the devices are acquired again once the window is back.
TEST_F(InputTest, FocusLossEmptiesTheStateAndTheDevicesAreAcquiredAgain)
{
    CInput input;
    ASSERT_TRUE(input.Init(m_main));
    Key(SDL_SCANCODE_A, true);
    Button(SDL_BUTTON_LEFT, true);
    input.Update();
    ASSERT_TRUE(input.IsKeyDown(DIK_A));
    ASSERT_TRUE(input.IsMouseButtonDown(0));

    // The focus event arrives through SDL while the input is polled, before
    // any message is read.
    FocusEvent(false);
    Motion(10, 10);
    input.Update();
    EXPECT_FALSE(qrn::win32::HasFocus(m_main));
    EXPECT_FALSE(input.IsKeyDown(DIK_A));
    EXPECT_FALSE(input.IsMouseButtonDown(0));
    EXPECT_TRUE(input.IsMouseButtonReleased(0));
    long dx = 1, dy = 1;
    ASSERT_TRUE(input.GetMouseMovement(&dx, &dy));
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);

    // Still in the background: acquiring fails, the state stays empty.
    Key(SDL_SCANCODE_B, true);
    input.Update();
    EXPECT_FALSE(input.IsKeyDown(DIK_B));

    // Back in front: the failed poll acquires again, the frame after reads.
    FocusEvent(true);
    Pump();
    ASSERT_TRUE(qrn::win32::HasFocus(m_main));
    input.Update();
    Motion(3, 4);
    Key(SDL_SCANCODE_C, true);
    input.Update();
    EXPECT_TRUE(input.IsKeyDown(DIK_C));
    EXPECT_TRUE(input.IsKeyDown(DIK_B));  // pushed while away, still held
    ASSERT_TRUE(input.GetMouseMovement(&dx, &dy));
    EXPECT_EQ(dx, 3);  // motion while away is not counted
    EXPECT_EQ(dy, 4);

    // Hiding the window takes the focus too.
    ShowWindow(m_main, SW_HIDE);
    input.Update();
    EXPECT_FALSE(input.IsKeyDown(DIK_C));
    ShowWindow(m_main, SW_SHOW);
    input.Update();
    input.Update();
    EXPECT_TRUE(input.IsKeyDown(DIK_C));
    Key(SDL_SCANCODE_B, false);
    Key(SDL_SCANCODE_C, false);
}

TEST_F(InputTest, EachFailingStepShowsItsMessage)
{
    struct Step {
        const char* call;
        const char* text;
        bool keyboardWorks;  // the keyboard was fully set up before the failure
    } steps[] = {
        {"DirectInput8Create", "<CInput> DirectInput8Create", false},
        {"CreateDevice.Keyboard", "<CInput> CreateDevice - Keyboard", false},
        {"SetDataFormat.Keyboard", "<CInput> SetDataFormat", false},
        {"SetCooperativeLevel.Keyboard", "<CInput> SetCooperativeLevel", false},
        {"CreateDevice.Mouse", "<CInput> CreateDevice - Mouse", true},
        {"SetDataFormat.Mouse", "<CInput> SetDataFormat", true},
        {"SetCooperativeLevel.Mouse", "<CInput> SetCooperativeLevel", true},
    };
    for (const Step& s : steps) {
        testctl::ClearMessageBoxLog();
        testctl::QueueMessageBoxAnswer(IDOK);
        testctl::FailDirectInputCall(s.call, DIERR_GENERIC);
        auto input = std::make_unique<CInput>();
        EXPECT_FALSE(input->Init(m_main)) << s.call;
        auto log = testctl::MessageBoxLog();
        ASSERT_EQ(log.size(), 1u) << s.call;
        EXPECT_EQ(log[0].text, s.text);
        EXPECT_EQ(log[0].caption, "ERROR");
        EXPECT_EQ(log[0].type, UINT(MB_ICONERROR));
        // What was made before the failure is kept and keeps working.
        Key(SDL_SCANCODE_K, true);
        input->Update();
        EXPECT_EQ(input->IsKeyDown(DIK_K), s.keyboardWorks) << s.call;
        Key(SDL_SCANCODE_K, false);
        input.reset();  // releases whatever exists
    }
    testctl::ClearDirectInputFailures();

    // A failing acquisition is not an error of Init; the next poll retries.
    testctl::FailDirectInputCall("Acquire.Keyboard", DIERR_OTHERAPPHASPRIO);
    testctl::FailDirectInputCall("Acquire.Mouse", DIERR_OTHERAPPHASPRIO);
    testctl::ClearMessageBoxLog();
    CInput input;
    EXPECT_TRUE(input.Init(m_main));
    EXPECT_TRUE(testctl::MessageBoxLog().empty());
    Key(SDL_SCANCODE_J, true);
    input.Update();
    EXPECT_FALSE(input.IsKeyDown(DIK_J));
    input.Update();
    EXPECT_TRUE(input.IsKeyDown(DIK_J));
    Key(SDL_SCANCODE_J, false);
}

TEST_F(InputTest, BadWindowFailsAtTheCooperativeLevel)
{
    HWND child = CreateWindowExA(0, "static", nullptr, WS_CHILD | SS_BLACKRECT, 0, 0, 10, 10, m_main, nullptr,
                                 nullptr, nullptr);
    for (HWND w : {static_cast<HWND>(nullptr), reinterpret_cast<HWND>(0x4242), child}) {
        testctl::ClearMessageBoxLog();
        testctl::QueueMessageBoxAnswer(IDOK);
        CInput input;
        EXPECT_FALSE(input.Init(w));
        auto log = testctl::MessageBoxLog();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].text, "<CInput> SetCooperativeLevel");
        input.Update();
        EXPECT_FALSE(input.IsKeyDown(DIK_ESCAPE));
    }
}

TEST_F(InputTest, OutOfRangeAndUninitialisedQueriesAreSafe)
{
    CInput empty;
    empty.Update();
    long dx = 123, dy = 456;
    EXPECT_FALSE(empty.GetMouseMovement(&dx, &dy));
    EXPECT_EQ(dx, 123);
    EXPECT_EQ(dy, 456);
    for (unsigned k : {0u, 1u, 255u, 256u, 1000u, UINT_MAX}) EXPECT_FALSE(empty.IsKeyDown(k));
    for (unsigned b : {0u, 3u, 4u, 8u, UINT_MAX}) {
        EXPECT_FALSE(empty.IsMouseButtonDown(b));
        EXPECT_FALSE(empty.IsMouseButtonPressed(b));
        EXPECT_FALSE(empty.IsMouseButtonReleased(b));
    }

    // Without a mouse (Init stopped before it), the movement is refused.
    testctl::QueueMessageBoxAnswer(IDOK);
    testctl::FailDirectInputCall("CreateDevice.Mouse", DIERR_GENERIC);
    CInput noMouse;
    EXPECT_FALSE(noMouse.Init(m_main));
    noMouse.Update();
    EXPECT_FALSE(noMouse.GetMouseMovement(&dx, &dy));
    EXPECT_EQ(dx, 123);

    CInput input;
    ASSERT_TRUE(input.Init(m_main));
    Button(SDL_BUTTON_X2, true);  // a fifth button is not one of the four
    Key(SDL_SCANCODE_Z, true);
    input.Update();
    EXPECT_TRUE(input.IsKeyDown(DIK_Z));
    for (unsigned k : {256u, 257u, 0x1000u, UINT_MAX}) EXPECT_FALSE(input.IsKeyDown(k));
    for (unsigned b : {4u, 5u, 100u, UINT_MAX}) {
        EXPECT_FALSE(input.IsMouseButtonDown(b));
        EXPECT_FALSE(input.IsMouseButtonPressed(b));
        EXPECT_FALSE(input.IsMouseButtonReleased(b));
    }
    EXPECT_TRUE(input.GetMouseMovement(nullptr, nullptr));
    Button(SDL_BUTTON_X2, false);
    Key(SDL_SCANCODE_Z, false);
}

TEST_F(InputTest, InitAgainStartsOver)
{
    CInput input;
    ASSERT_TRUE(input.Init(m_main));
    ASSERT_TRUE(input.Init(m_main));
    Key(SDL_SCANCODE_Q, true);
    input.Update();
    EXPECT_TRUE(input.IsKeyDown(DIK_Q));
    Key(SDL_SCANCODE_Q, false);
}
