// The clipboard on a real X server, offered by another program as xclip offers it: the
// song's text is read as the bytes offered, on whichever target they come.
#include <gtest/gtest.h>

#include <QAction>
#include <QProcess>
#include <QTest>
#include <cstring>
#include <optional>

#include "app/X11Clipboard.h"
#include "core/SongFile.h"
#include "tests/support/FormFixture.h"
#include "tests/support/SongTexts.h"
#include "tests/support/VirtualDesktop.h"

namespace {

TVirtualDesktop* Desktop = nullptr;
using TShown = TRecordingPrompter::TShown;

// xclip owns the clipboard with `text` on `target` (its default, UTF8_STRING, when empty)
// until the next one takes it.
void Offer(const std::string& text, const QString& target = {}) {
  QProcess xclip;
  QStringList arguments{QStringLiteral("-selection"), QStringLiteral("clipboard")};
  if (!target.isEmpty()) arguments << QStringLiteral("-t") << target;
  xclip.start(QStringLiteral("xclip"), arguments);
  ASSERT_TRUE(xclip.waitForStarted()) << "xclip is missing";
  xclip.write(text.data(), static_cast<qint64>(text.size()));
  xclip.closeWriteChannel();
  // It forks to serve the clipboard; the first process ends once the second owns it.
  ASSERT_TRUE(xclip.waitForFinished(10000));
  // The one before may serve a moment longer.
  const QByteArray offered = QByteArray::fromStdString(text).left(MaxSongFileBytes);
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return X11ClipboardText(MaxSongFileBytes).value_or("").left(MaxSongFileBytes) == offered;
  }));
}

TEST(X11Clipboard, ASongIsReadAsTheBytesOfferedOnEveryTarget) {
  if (!Desktop || !Desktop->Missing().empty())
    GTEST_SKIP() << (Desktop ? Desktop->Missing() : "no desktop while listing");
  TFormFixture fx;
  TestApplication().setPrompter(std::make_unique<TRecordingPrompter>(fx.Shown));
  TForm1& f = *fx.Form;
  auto& import = Control<QAction>(f, "LoadFromClipbrdAction");
  const TShown refused{QStringLiteral("message"), QStringLiteral("clipboard_test"),
                       QStringLiteral("file import err ")};
  for (const QString& target : {QString(), QStringLiteral("text/plain"), QStringLiteral("STRING"),
                                QStringLiteral("text/plain;charset=utf-8")}) {
    const std::string name = target.isEmpty() ? "UTF8_STRING" : target.toStdString();
    Offer("\xEF\xBB\xBF" + kWorkedExampleText, target);
    import.trigger();
    EXPECT_EQ(*fx.Shown, std::vector{refused}) << name;
    fx.Shown->clear();

    Offer(kWorkedExampleText, target);
    import.trigger();
    EXPECT_TRUE(fx.Shown->empty()) << name;
    EXPECT_EQ(f.Song().EndColumn, 33) << name;
    EXPECT_FALSE(f.Document().Modified()) << name;
    f.Document().New();
  }
  // Past a song's largest size, in the pieces that a large text comes in.
  Offer(kWorkedExampleText + std::string(MaxSongFileBytes, '\n'));
  import.trigger();
  EXPECT_EQ(*fx.Shown,
            (std::vector<TShown>{{QStringLiteral("error"), QStringLiteral("clipboard_test"),
                                  QStringLiteral("クリップボードのテキストは大きすぎます")}}));
}

}  // namespace

// The X server starts before the application connects, and stops after it has gone.
int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing |= std::strcmp(argv[i], "--gtest_list_tests") == 0;
  std::optional<TVirtualDesktop> desktop;
  if (!listing) Desktop = &desktop.emplace(1024, 768);
  qputenv("QT_QPA_PLATFORM", Desktop && Desktop->Missing().empty() ? "xcb" : "offscreen");
  TApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
