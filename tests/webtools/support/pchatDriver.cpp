// The second copy of the chat for the two-copies test: runs the real chat window offscreen,
// says "listening" once it listens, answers the first line it receives with its argument,
// and when the conversation has ended prints the window's lines and exits (1 on time-out).
#include "support/SocketTestSupport.h"
#include "support/ScriptedMessages.h"
#include "webtools/pchat.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstdio>

namespace {

bool memoHas(const TpchatForm& form, const QString& part)
{
    return form.DisplayMemo->toPlainText().contains(part);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s REPLY\n", argv[0]);
        return 2;
    }
    testsupport::ScriptedMessages boxes;
    TpchatForm form;
    form.show();
    std::printf("listening\n");
    std::fflush(stdout);

    const bool answered = sockettest::pumpUntil([&] { return memoHas(form, " > "); }, 20000);
    if (answered) {
        form.MessageEdit->setText(QString::fromLocal8Bit(argv[1]));
        form.SendButton->click();
    }
    const bool ended = answered && sockettest::pumpUntil([&] { return memoHas(form, "Disconnected"); }, 20000);
    std::printf("%s\n", form.DisplayMemo->toPlainText().toUtf8().constData());
    for (const std::string& box : boxes.texts())
        std::printf("box: %s\n", box.c_str());
    return ended ? 0 : 1;
}
