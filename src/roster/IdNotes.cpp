#include "roster/IdNotes.h"

#include "core/Digits.h"

namespace kiv::idnote {

namespace {

int NumberOf(const QString &field)
{
    bool ok = false;
    const int n = field.trimmed().toInt(&ok);
    return ok ? n : 0;
}

} // namespace

int RankOf(QStringView id, const TStrDBListUni &notes)
{
    const int rank = NumberOf(GetField(id, 1, notes));
    return rank >= 0 && rank < kRankCount ? rank : 0;
}

QString StoredNote(QStringView value)
{
    // Fields are numbered from the first one after the leading blanks and TABs; the note
    // follows the TAB after field 4.
    qsizetype at = 0;
    while (at < value.size() && value[at].unicode() <= 32)
        ++at;
    for (int tabs = 0; tabs < 5; ++tabs) {
        at = value.indexOf(u'\t', at);
        if (at < 0)
            return QString();
        ++at;
    }
    return value.sliced(at).left(kNoteLimit).toString();
}

QString NoteOf(QStringView id, const TStrDBListUni &notes)
{
    const qsizetype i = notes.IndexOfKey(id);
    return i < 0 ? QString() : TrimControls(StoredNote(ValueOfLine(notes.Line(i))));
}

IdNoteValues ReadIdNote(QStringView id, const TStrDBListUni &notes)
{
    IdNoteValues v;
    const qsizetype i = notes.IndexOfKey(id);
    if (i < 0)
        return v;
    v.companion = NumberOf(GetField(id, 0, notes));
    v.rank = NumberOf(GetField(id, 1, notes));
    for (int r = 0; r < 3; ++r)
        v.reserved[r] = NumberOf(GetField(id, 2 + r, notes));
    v.note = StoredNote(ValueOfLine(notes.Line(i)));
    return v;
}

void WriteIdNote(const QString &id, const IdNoteValues &values, TStrDBListUni &notes)
{
    while (DeleteEntry(id, notes)) {
    }
    QString text = QString::number(values.companion) + u'\t' + QString::number(values.rank);
    for (int r : values.reserved)
        text += u'\t' + QString::number(r);
    AddField(id, QString(text + u'\t' + values.note), notes);
}

QString NoteForEditor(QStringView stored)
{
    QString text = stored.toString();
    text.replace(u'\t', u'\n');
    return text;
}

QString NoteFromEditor(QStringView edited)
{
    const QString trimmed = TrimControls(edited);
    QString note;
    note.reserve(trimmed.size());
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (c == u'\r' && i + 1 < trimmed.size() && trimmed[i + 1] == u'\n')
            continue; // the LF that follows makes the one TAB
        note += (c == u'\r' || c == u'\n' || c == u'\u2028') ? QChar(u'\t') : c;
    }
    return note;
}

QString IdFromCaption(QStringView caption)
{
    return DigitsOf(caption);
}

} // namespace kiv::idnote

#include "core/AppState.h"
#include "platform/FileNames.h"

namespace kiv::idnote {

bool CommitIdNote(AppState &state, const QString &id, const IdNoteValues &values, QString *error)
{
    WriteIdNote(id, values, state.idNotes);
    return SaveListFile(state.idNotes, kiv::files::Resolve(state.programFolder, kiv::names::kIdNotes), error);
}

} // namespace kiv::idnote
