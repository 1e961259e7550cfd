// The Windows editor window on its own, without a plug-in: native popup menus
// driven by posted keys, a text entry without a parameter, closing with an entry
// open, the window class count, and the folder and clipboard services.
#include "GuiHost.h"

#include "graphics/IControl.h"
#include "graphics/IGraphicsWin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace guihost;

namespace {

// A panel that keeps the text entered for it.
class TextTarget : public IPanelControl {
public:
  TextTarget() : IPanelControl(nullptr, IRect(10, 10, 90, 30), IColor(255, 200, 200, 200)) {}
  void ReceiveEnteredText(const char* text) override
  {
    received = text;
    ++count;
  }
  std::string received;
  int count = 0;
};

class WindowOnItsOwn : public ::testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_NE(host.Handle(), nullptr) << "no window: is DISPLAY set?";
    target = new TextTarget;
    graphics.AddControl(target);
    graphics.CreateDrawSurfaces();
    ASSERT_NE(graphics.OpenWindow(host.Handle()), nullptr);
    editor = static_cast<HWND>(graphics.GetWindow());
    ASSERT_EQ(PumpTicks(editor, 1), 1);
  }

  HostWindow host{0, 0, 200, 100};
  IGraphicsWin graphics{nullptr, 200, 100, 25};
  TextTarget* target = nullptr;
  HWND editor = nullptr;
};

// Ends a menu that the posted keys did not close, so that a failure cannot hang.
bool menuWasStuck = false;
void CALLBACK EndStuckMenu(HWND, UINT, UINT_PTR, DWORD)
{
  menuWasStuck = true;
  EndMenu();
}

TEST_F(WindowOnItsOwn, PopupMenuReportsTheMenuAndItemChosenByKeys)
{
  IMenu menu;
  menu.prefix = 2;
  menu.AddItem("one");
  menu.AddItem("", IMenuItem::Separator);
  IMenuItem* more = menu.AddItem("more");
  more->submenu = std::make_unique<IMenu>();
  more->submenu->AddItem("alpha");
  more->submenu->AddItem("beta");
  menu.AddItem("last");
  EXPECT_EQ(IGraphicsWin::MenuItemText(menu, 0), "01: one");
  EXPECT_EQ(IGraphicsWin::MenuItemText(menu, 3), "04: last");
  EXPECT_EQ(IGraphicsWin::MenuItemText(*more->submenu, 1), "beta");

  struct Case {
    std::vector<WPARAM> keys;
    IMenu* expectedMenu;
    int expectedIndex;
  };
  const Case cases[] = {
    {{VK_DOWN, VK_RETURN}, &menu, 0},
    // The separator is skipped: down, down, down reaches "last".
    {{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, &menu, 3},
    {{VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, more->submenu.get(), 1},
    {{VK_ESCAPE}, nullptr, -1},
  };
  for (const Case& c : cases) {
    menu.chosenItemIndex = more->submenu->chosenItemIndex = -1;
    for (WPARAM key : c.keys) Key(editor, key);
    menuWasStuck = false;
    const UINT_PTR guard = SetTimer(nullptr, 0, 3000, EndStuckMenu);
    IMenu* chosen = graphics.ShowPopupMenu(menu, IRect(10, 10, 90, 30));
    KillTimer(nullptr, guard);
    EXPECT_FALSE(menuWasStuck) << "keys " << c.keys.size();
    EXPECT_EQ(chosen, c.expectedMenu) << "keys " << c.keys.size();
    if (chosen) {
      EXPECT_EQ(chosen->chosenItemIndex, c.expectedIndex);
    }
    Pump(20);
  }
}

TEST_F(WindowOnItsOwn, EntryWithoutParameterTakesAnyTextOnEnter)
{
  graphics.OpenTextEntry(target, IText(), target->GetRect(), "abc", nullptr);
  HWND field = EntryField(editor);
  ASSERT_NE(field, nullptr);
  ASSERT_EQ(graphics.EditWindow(), field);
  // A second entry while one is open is refused.
  graphics.OpenTextEntry(target, IText(), target->GetRect(), "zzz", nullptr);
  EXPECT_EQ(graphics.EditWindow(), field);
  Type(field, "Hz 4");
  Key(field, VK_RETURN);
  ASSERT_EQ(PumpTicks(editor, 2), 2);
  EXPECT_EQ(graphics.EditWindow(), nullptr);
  EXPECT_FALSE(IsWindow(field));
  EXPECT_EQ(target->count, 1);
  EXPECT_EQ(target->received, "Hz 4");
}

TEST_F(WindowOnItsOwn, ClosingWithAnEntryOpenClearsItAndTheClassGoesWithTheLastWindow)
{
  const int before = IGraphicsWin::ClassUseCount();
  graphics.OpenTextEntry(target, IText(), target->GetRect(), "abc", nullptr);
  HWND field = graphics.EditWindow();
  ASSERT_NE(field, nullptr);
  graphics.CloseWindow();
  EXPECT_EQ(graphics.EditWindow(), nullptr);
  EXPECT_EQ(graphics.EditState(), 0);
  EXPECT_FALSE(IsWindow(field));
  EXPECT_EQ(graphics.GetWindow(), nullptr);
  EXPECT_EQ(IGraphicsWin::ClassUseCount(), before - 1);
  // Nothing was committed by the closing.
  Pump(100);
  EXPECT_EQ(target->count, 0);
  // An entry needs an open window.
  graphics.OpenTextEntry(target, IText(), target->GetRect(), "abc", nullptr);
  EXPECT_EQ(graphics.EditWindow(), nullptr);
}

TEST_F(WindowOnItsOwn, FoldersEndWithASeparatorAndClipboardTextArrivesAsUtf8)
{
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string host, module, desktop, appData;
  graphics.GetHostFolder(&host);
  graphics.GetModuleFolder(&module);
  ASSERT_FALSE(host.empty());
  EXPECT_EQ(host.back(), '\\');
  EXPECT_EQ(std::string(program).rfind(host, 0), 0u) << program;
  EXPECT_EQ(module, host);  // the window code is linked into this program
  graphics.GetDesktopFolder(&desktop);
  graphics.GetSafeAppDataFolder(&appData);
  EXPECT_FALSE(desktop.empty());
  EXPECT_FALSE(appData.empty());

  // "Grüße" as UTF-16 on the clipboard.
  const wchar_t wide[] = {L'G', L'r', 0x00FC, 0x00DF, L'e', 0};
  ASSERT_TRUE(OpenClipboard(editor));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof wide);
  std::memcpy(GlobalLock(memory), wide, sizeof wide);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  std::string text;
  EXPECT_TRUE(graphics.ReadClipboardText(&text));
  EXPECT_EQ(text, "Gr\xC3\xBC\xC3\x9F" "e");
}

}  // namespace
