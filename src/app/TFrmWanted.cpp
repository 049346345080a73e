#include "app/TFrmWanted.h"

#include "app/SettingsKeys.h"
#include "platform/FileNames.h"
#include "platform/ISoundPlayer.h"
#include "platform/IPrompts.h"
#include "platform/ProfileFile.h"
#include "widgets/TStrColGrid.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>

using namespace kiv;

TFrmWanted::TFrmWanted(const QString &programFolder, const QString &settingsPath, const WantedPresets &presets,
                       ISoundPlayer &sound, IPrompts &prompts, QWidget *parent)
    : TModalForm(parent)
    , m_programFolder(programFolder)
    , m_settingsPath(settingsPath)
    , m_presets(presets)
    , m_sound(sound)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("FrmWanted"));
    setWindowTitle(QStringLiteral("@wanted"));
    setFixedSize(521, 359);
    BuildControls();
    CentreOn(parent);
}

WantedPresets TFrmWanted::PresetsOfRow(const QString &tag, const QString &text, const QString &name, const QString &id)
{
    WantedPresets presets{QString(), text, name, id};
    if (tag.isEmpty())
        presets.kind = kWantedKindChat;
    else if (tag.contains(u'$'))
        presets.kind = kWantedKindItem;
    return presets;
}

void TFrmWanted::BuildControls()
{
    auto label = [this](const QString &text, QRect r) {
        auto *l = new QLabel(text, this);
        l->setGeometry(r);
        return l;
    };
    cmbKind = new QComboBox(this);
    cmbKind->setObjectName(QStringLiteral("cmbKind"));
    cmbKind->addItems({kWantedKindChat, kWantedKindItem});
    cmbKind->setGeometry(8, 10, 60, 22);
    label(QStringLiteral("に"), {72, 14, 16, 16});
    label(QStringLiteral("文字列"), {88, 14, 40, 16});
    cmbWord = new QComboBox(this);
    cmbWord->setObjectName(QStringLiteral("cmbWord"));
    cmbWord->setEditable(true);
    cmbWord->setGeometry(130, 10, 170, 22);
    label(QStringLiteral("が表示されたら"), {304, 14, 90, 16});
    cmbCommand = new QComboBox(this);
    cmbCommand->setObjectName(QStringLiteral("cmbCommand"));
    for (int n = 0; n < 10; ++n)
        cmbCommand->addItem(QStringLiteral("@beep%1").arg(n));
    cmbCommand->setMaxVisibleItems(12);
    cmbCommand->setGeometry(396, 10, 72, 22);
    cmbCommand->setCurrentIndex(-1);
    label(QStringLiteral("を実行"), {472, 14, 44, 16});

    btnTest = new QPushButton(QStringLiteral("テスト"), this);
    btnTest->setObjectName(QStringLiteral("btnTest"));
    btnTest->setGeometry(348, 40, 80, 26);
    btnAdd = new QPushButton(QStringLiteral("追加"), this);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnAdd->setGeometry(434, 40, 80, 26);

    grdWanted = new TStrColGrid(this);
    grdWanted->setObjectName(QStringLiteral("grdWanted"));
    grdWanted->SetColumnWidths({90, 290, 90});
    grdWanted->SetRowHeight(18);
    grdWanted->setGeometry(8, 74, 505, 222);
    grdWanted->setContextMenuPolicy(Qt::CustomContextMenu);
    popGrid = new QMenu(this);
    QAction *popDelete = popGrid->addAction(QStringLiteral("削除(&D)"));
    popDelete->setObjectName(QStringLiteral("popDelete"));

    lblInfo = label(kWantedDescription, {8, 302, 505, 16});
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(348, 324, 80, 28);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(434, 324, 80, 28);

    connect(btnAdd, &QPushButton::clicked, this, &TFrmWanted::btnAddClick);
    connect(btnTest, &QPushButton::clicked, this, &TFrmWanted::btnTestClick);
    connect(popDelete, &QAction::triggered, this, &TFrmWanted::popDeleteClick);
    connect(grdWanted, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { popGrid->popup(grdWanted->viewport()->mapToGlobal(p)); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { Done(Cancel); });
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (btnOKClick())
            Done(OK);
    });
}

void TFrmWanted::showEvent(QShowEvent *event)
{
    TModalForm::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFrmWanted::FormShow()
{
    cmbKind->setCurrentIndex(cmbKind->findText(m_presets.kind));
    cmbWord->clear();
    cmbWord->addItems({QString(), m_presets.text, m_presets.name, m_presets.id});
    cmbWord->setCurrentIndex(0);

    grdWanted->ClearAll();
    QList<WantedRow> rows;
    m_readFailed = !ReadWantedRows(m_programFolder, rows, &m_readError);
    if (m_readFailed)
        lblInfo->setText(kWantedNotRead);
    grdWanted->SetRowCountKeepingOne(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        grdWanted->SetCell(r, 0, rows[r].kind);
        grdWanted->SetCell(r, 1, rows[r].word);
        grdWanted->SetCell(r, 2, rows[r].command);
    }
}

void TFrmWanted::btnAddClick()
{
    const QString word = cmbWord->currentText();
    if (word.contains(u'=')) {
        m_prompts.Warning(kWantedNoEquals);
        return;
    }
    if (cmbKind->currentIndex() < 0 || word.isEmpty() || cmbCommand->currentIndex() < 0)
        return;
    if (!grdWanted->Cell(0, 0).isEmpty())
        grdWanted->AppendRow();
    const int last = grdWanted->rowCount() - 1;
    grdWanted->SetCell(last, 0, cmbKind->currentText());
    grdWanted->SetCell(last, 1, word);
    grdWanted->SetCell(last, 2, cmbCommand->currentText());
    cmbWord->setEditText(QString());
}

void TFrmWanted::btnTestClick()
{
    if (cmbCommand->currentIndex() < 0 || !QFileInfo(m_settingsPath).isFile())
        return;
    ProfileFile ini(m_settingsPath);
    if (!ini.Load())
        return;
    QString name = ini.ReadString(keys::kSound, cmbCommand->currentText().mid(1)).toLower();
    if (name.isEmpty())
        return;
    // Settings written on the other platform separate folders with backslashes.
    name.replace(u'\\', u'/');
    const QString folder = files::Resolve(m_programFolder, QStringLiteral("sound")) + u'/';
    m_sound.PlayWave(files::Resolve(folder, name));
}

void TFrmWanted::popDeleteClick()
{
    grdWanted->DeleteRow(grdWanted->currentRow());
}

QList<WantedRow> TFrmWanted::GridRows() const
{
    QList<WantedRow> rows;
    for (int r = 0; r < grdWanted->rowCount(); ++r)
        rows.append(WantedRow{grdWanted->Cell(r, 0), grdWanted->Cell(r, 1), grdWanted->Cell(r, 2)});
    return rows;
}

bool TFrmWanted::btnOKClick()
{
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QString error;
    if (m_readFailed) {
        m_prompts.Warning(kWantedNotRead + QStringLiteral("\n") + m_readError);
        return false;
    }
    if (!WriteWantedRows(m_programFolder, GridRows(), &error)) {
        m_prompts.Warning(kWantedNotWritten + QStringLiteral("\n") + error);
        return false;
    }
    return true;
}
