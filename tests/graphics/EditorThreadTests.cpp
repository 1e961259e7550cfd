// The audio thread writes into the editor (the lamp, and the page switch when a
// host changes "Channel Selector" inside processing) while the editor's thread
// draws and takes clicks. Run under ThreadSanitizer (scripts/tsan.sh) this shows
// the crossings free of data races; in the plain build it shows they end consistent.
#include "BrindleTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(EditorThreads, ProcessingWhileTheEditorDrawsAndClicks)
{
  auto plug = MakeBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  editor.OpenWindow(nullptr);
  editor.Tick();

  std::atomic<bool> done{false};
  std::atomic<bool> editorBusy{false};
  std::thread audio([&] {
    // Start only once the editor thread is at work, so the two really overlap.
    while (!editorBusy) std::this_thread::yield();
    for (int block = 0; block < 240; ++block) {
      // A VST 3 host hands parameter changes over at the start of a block.
      if (block % 8 == 0) plug->SetParamFromHost(Brindle::kChannelSelector, (block / 8 % 3) * 0.5);
      ProcessSignal(*plug, 512, block % 40 < 20);
    }
    done = true;
  });

  // Radio buttons, a stereo-only switch, a knob drag, the bypass twice, the reset.
  const int clicks[][2] = {{100, 78}, {264, 78}, {130, 78}, {46, 254}, {166, 78}, {46, 254}, {46, 296}};
  int step = 0;
  // Every click of the list at least once, and on until the audio thread is done.
  while (!done || step < 7) {
    editorBusy = true;
    const int* at = clicks[step % 7];
    editor.MouseDown(at[0], at[1], Button());
    editor.MouseMovedWithButton(at[0], at[1] - 3, Button());
    editor.MouseUp(at[0], at[1] - 3, Button());
    editor.Tick();
    ++step;
  }
  audio.join();
  editor.Tick();

  // Whoever changed the selector last, the pages and greying follow its value.
  const bool stereo = plug->GetParam(Brindle::kChannelSelector)->Value() == 0.0;
  EXPECT_EQ(editor.GetControl(2)->IsHidden(), !stereo);
  EXPECT_EQ(editor.GetControl(1)->IsHidden(), stereo);
  for (int i = 8; i <= 14; ++i) EXPECT_EQ(editor.GetControl(i)->IsGreyed(), !stereo) << i;
}
