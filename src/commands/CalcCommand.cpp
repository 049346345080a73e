#include "commands/CalcCommand.h"

#include "core/IStatusText.h"
#include "core/IInfoOutput.h"
#include "commands/strCalcU.h"

CalcCommand::CalcCommand(IInfoOutput &info, IStatusText &status) : m_info(info), m_status(status) {}

void CalcCommand::Run(const QString &commandText)
{
    const QString result = EvaluateExpression(commandText);
    if (m_info.IsInfoVisible()) {
        m_info.AppendInfoLine(commandText);
        m_info.AppendInfoLine(u'=' + result);
    } else {
        m_status.SetStatusText(u'　' + commandText + u'=' + result);
    }
}
