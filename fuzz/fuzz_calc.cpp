// The calculator on arbitrary chat text: the bytes as code page 932 (the form of log
// text) and as UTF-16 (text typed into the program), through the "@calc" handler.
#include "core/IStatusText.h"
#include "commands/CalcCommand.h"
#include "core/IInfoOutput.h"
#include "commands/strCalcU.h"
#include "platform/Cp932.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class NullInfo final : public IInfoOutput
{
public:
    explicit NullInfo(bool visible) : m_visible(visible) {}
    void AppendInfoLine(const QString &line) override { m_lines += line.size(); }
    void ClearInfo() override {}
    bool IsInfoVisible() const override { return m_visible; }
    void ShowInfo() override {}
    void HideInfo() override {}
    QString InfoText() const override { return {}; }
    void SetInfoColours(unsigned, unsigned) override {}
    void SetInfoSize(int, int) override {}
    int InfoWidth() const override { return 392; }
    int InfoHeight() const override { return 80; }
    void SetInfoAlpha(int) override {}
    int InfoAlpha() const override { return 255; }
    int ScreenHeight() const override { return 768; }

private:
    bool m_visible;
    qsizetype m_lines = 0;
};

class NullStatus final : public IStatusText
{
public:
    void SetStatusText(const QString &text) override { m_text = text; }
    QString StatusText() const override { return m_text; }

private:
    QString m_text;
};

// A result is an error text or a number made of the expression alphabet.
void CheckResult(const QString &result)
{
    if (result.isEmpty())
        std::abort();
    if (result.startsWith(u"Error "))
        return;
    for (const QChar c : result) {
        const bool allowed = (c >= u'0' && c <= u'9') || c == u'.' || c == u'-';
        if (!allowed)
            std::abort();
    }
}

void Run(const QString &text, bool visible)
{
    const QString result = EvaluateExpression(text);
    CheckResult(result);
    // The expression alone must compute the same.
    if (EvaluateExpression(ExpressionOf(text)) != result)
        std::abort();
    NullInfo info(visible);
    NullStatus status;
    CalcCommand(info, status).Run(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Run(kiv::cp932::Decode(bytes), size % 2 == 0);
    QString wide(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(wide.data(), data, size / 2 * 2); // the bytes need not be aligned for char16_t
    Run(wide, size % 2 != 0);
    return 0;
}
