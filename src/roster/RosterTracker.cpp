#include "roster/RosterTracker.h"

#include "core/AppState.h"
#include "core/IInfoOutput.h"
#include "roster/IdNotes.h"
#include "roster/RosterRowsModel.h"

namespace {

const QString kSentName = QStringLiteral("送信");
const QString kBeep0 = QStringLiteral("@beep0");
constexpr unsigned kWhite = 0xFFFFFF;
constexpr unsigned kBlack = 0x000000;

// Line breaks are line feeds in the info window's text.
QString LinesOf(QString note)
{
    note.replace(u'\t', u'\n');
    return note;
}

// An ID that cannot be a list key: empty, or holding "=" or a control character. Such
// an entry could never be found again, so every sighting would add another line.
bool UsableId(QStringView id)
{
    if (id.isEmpty())
        return false;
    for (const QChar c : id) {
        if (c == u'=' || c.unicode() < 0x20)
            return false;
    }
    return true;
}

// A name goes into the roster as one field: TABs and line breaks would split it or the
// list file's lines.
QString FieldSafe(const QString &name)
{
    QString safe;
    safe.reserve(name.size());
    for (const QChar c : name) {
        if (c.unicode() >= 0x20 && c != u'\u2028')
            safe += c;
    }
    return safe;
}

} // namespace

RosterTracker::RosterTracker(AppState &state, RosterRowsModel &rows, Seams seams)
    : m_state(state)
    , m_rows(rows)
    , m_seams(std::move(seams))
{
}

void RosterTracker::ApplyTimerRule()
{
    if (m_seams.timer.ProgramActive())
        m_seams.timer.StopRosterTimer();
    else
        m_seams.timer.RestartRosterTimer();
}

void RosterTracker::ResetInfoColours()
{
    m_seams.info.SetInfoColours(kBlack, kWhite);
}

void RosterTracker::PaintInfo(int rank)
{
    const RankColour &colour = kRankColours[size_t(rank)];
    m_seams.info.SetInfoColours(colour.text, colour.background);
}

bool RosterTracker::InfoHolds(const QString &text) const
{
    QString shown = m_seams.info.InfoText();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown.contains(text);
}

QStringList RosterTracker::RowValues(const QString &id, const QString &name) const
{
    const QString value = GetValue(id, m_state.roster);
    QStringList parts;
    SplitFields(value, parts);
    // An ID without an entry (or with an empty value) shows the name alone; a
    // hand-edited value without its leading TAB keeps its first name.
    if (value.isEmpty() || !(value.front() == u'\t' || value.front() == u'\r' || value.front() == u'\n'))
        parts.prepend(QString());
    parts[0] = name;
    return parts;
}

void RosterTracker::MarkActive(const QString &id, const QString &rawName)
{
    if (m_state.roster.Count() == 0 || rawName == kSentName || !UsableId(id))
        return;
    const QString name = FieldSafe(rawName);
    ApplyTimerRule();

    QString message;
    if (!name.isEmpty() && !ValueContains(id, name, m_state.roster)) {
        AddField(id, name, m_state.roster);
        message = u"@who Add " + id + u' ' + name;
    }

    const int rank = kiv::idnote::RankOf(id, m_state.idNotes);
    const int row = m_rows.FindRow(id);
    if (row < 0)
        m_rows.AppendRow(id, RowValues(id, name), rank);
    else if (m_rows.Values(row).value(0) != name || m_rows.Rank(row) != rank)
        m_rows.SetValues(row, RowValues(id, name), rank);

    ResetInfoColours();

    if (!name.isEmpty() && rank >= 6) {
        const QString note = kiv::idnote::NoteOf(id, m_state.idNotes);
        if (!note.isEmpty()) {
            const QString announcement = id + u" : " + name + u'\n' + LinesOf(note);
            if (!InfoHolds(announcement)) {
                message = u"■" + m_state.rankNames[size_t(rank)] + u'\n' + announcement + u'\n';
                PaintInfo(rank);
                if (m_seams.info.IsInfoVisible() && m_seams.beep)
                    m_seams.beep(kBeep0);
            }
        }
    }

    if (m_seams.info.IsInfoVisible() && !message.isEmpty())
        m_seams.info.AppendInfoLine(message);
}

void RosterTracker::RowDoubleClicked(int row)
{
    if (row < 0 || row >= m_rows.Count() || m_state.roster.Count() == 0)
        return;
    ApplyTimerRule();
    const QString id = m_rows.Caption(row);
    ResetInfoColours();
    if (id.isEmpty())
        return;
    const int rank = kiv::idnote::RankOf(id, m_state.idNotes);
    const QString note = kiv::idnote::NoteOf(id, m_state.idNotes);
    if (rank < 1 || note.isEmpty())
        return;
    const QString announcement =
        id + u" : " + TrimControls(GetValue(id, m_state.roster)) + u'\n' + LinesOf(note);
    if (InfoHolds(announcement))
        return;
    const QString message = u"■■■" + m_state.rankNames[size_t(rank)] + u"■■■\n" + announcement + u'\n';
    PaintInfo(rank);
    if (m_seams.beep)
        m_seams.beep(kBeep0);
    if (m_seams.info.IsInfoVisible())
        m_seams.info.AppendInfoLine(message);
}

void RosterTracker::TimerTick()
{
    m_rows.Clear();
    m_seams.timer.StopRosterTimer();
}

void RosterTracker::RefreshRanks()
{
    m_rows.RefreshRanks([this](QStringView id) { return kiv::idnote::RankOf(id, m_state.idNotes); });
}
