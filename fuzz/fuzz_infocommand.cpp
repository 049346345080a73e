// The "@info" command on any text: word splitting and every step, against a window that
// checks what it is asked to do.
#include "core/IInfoOutput.h"
#include "commands/InfoCommand.h"
#include "platform/Cp932.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

class CheckedInfo final : public IInfoOutput
{
public:
    void AppendInfoLine(const QString &) override { ++lines; }
    void ClearInfo() override { lines = 0; }
    bool IsInfoVisible() const override { return visible; }
    void ShowInfo() override { visible = true; }
    void HideInfo() override { visible = false; }
    QString InfoText() const override { return {}; }
    void SetInfoColours(unsigned, unsigned) override {}
    void SetInfoSize(int w, int h) override
    {
        if (w > 640 || h > 768)
            std::abort(); // the command caps both
        width = w;
        height = h;
    }
    int InfoWidth() const override { return width; }
    int InfoHeight() const override { return height; }
    void SetInfoAlpha(int a) override
    {
        if (a < 0 || a > 255)
            std::abort();
        alpha = a;
    }
    int InfoAlpha() const override { return alpha; }
    int ScreenHeight() const override { return 768; }

    bool visible = false;
    int lines = 0;
    int width = 392;
    int height = 80;
    int alpha = 220;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = kiv::cp932::Decode(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QStringList words = SplitInfoWords(text);
    for (const QString &word : words) {
        if (word.isEmpty() && !text.contains(u'"'))
            std::abort(); // only a quoted part can make an empty word
    }
    CheckedInfo info;
    InfoCommand command(info);
    command.Run(text);
    command.Run(QStringLiteral("@info size ") + text);
    command.Run(QStringLiteral("@info alpha ") + text);
    return 0;
}
