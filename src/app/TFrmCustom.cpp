#include "app/TFrmCustom.h"

#include "app/SettingsKeys.h"
#include "core/AppState.h"
#include "core/strDBListUniU.h"
#include "platform/IPrompts.h"
#include "platform/ProfileFile.h"
#include "widgets/Colours.h"
#include "widgets/TNumberEdit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

using namespace kiv;

namespace {

const std::array<QString, 10> kDefaultRanks{
    QString(), QStringLiteral("同伴あり"), QString(), QString(), QString(),
    QString(), QString(), QString(), QStringLiteral("注意人物"), QStringLiteral("危険人物"),
};

// Rank names are drawn in their rank's colours; in this dialog only ranks 8 and 9 have
// a text colour of their own.
unsigned RankFieldTextColour(int rank)
{
    return rank >= 8 ? kRankColours[size_t(rank)].text : 0x000000u;
}

void Colour(QWidget *w, QPalette::ColorRole role, unsigned bgr)
{
    QPalette p = w->palette();
    p.setColor(role, ui::FromBgr(bgr));
    w->setPalette(p);
}

QLabel *SlotLabel(QWidget *parent, int n, int x, int y)
{
    auto *label = new QLabel(QStringLiteral("%1:").arg(n), parent);
    label->setGeometry(x, y + 3, 16, 16);
    return label;
}

constexpr unsigned kBlue = 0xFF0000;
constexpr unsigned kWhite = 0xFFFFFF;
constexpr unsigned kRed = 0x0000FF;

} // namespace

TFrmCustom::TFrmCustom(const QString &settingsPath, const CustomValues &values, IPrompts &prompts,
                       QWidget *parent)
    : TModalForm(parent)
    , m_settingsPath(settingsPath)
    , m_values(values)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("FrmCustom"));
    setWindowTitle(QStringLiteral("設定"));
    setFixedSize(593, 294);
    BuildControls();
    CentreOn(parent);
}

void TFrmCustom::BuildControls()
{
    auto label = [this](const char *name, const QString &text, QRect r) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(r);
        return l;
    };
    label("Label1", QStringLiteral("KIV ID:"), {12, 14, 70, 16});
    edtMyID = new TNumberEdit(this);
    edtMyID->setObjectName(QStringLiteral("edtMyID"));
    edtMyID->SetLimits(0, 99999999, 8);
    edtMyID->setGeometry(90, 10, 100, 22);
    Colour(edtMyID, QPalette::Text, kBlue);

    label("Label2", QStringLiteral("ActionLog"), {12, 44, 70, 16});
    chkAction = new QCheckBox(this);
    chkAction->setObjectName(QStringLiteral("chkAction"));
    chkAction->setGeometry(90, 42, 20, 20);

    label("Label3", QStringLiteral("WindowStyle"), {12, 72, 76, 16});
    rbtWinStyle0 = new QRadioButton(QStringLiteral("0:横"), this);
    rbtWinStyle0->setObjectName(QStringLiteral("rbtWinStyle0"));
    rbtWinStyle0->setGeometry(90, 70, 60, 20);
    rbtWinStyle1 = new QRadioButton(QStringLiteral("1:縦"), this);
    rbtWinStyle1->setObjectName(QStringLiteral("rbtWinStyle1"));
    rbtWinStyle1->setGeometry(155, 70, 60, 20);

    label("Label24", QStringLiteral("フォントサイズ"), {12, 100, 90, 16});
    cmbFont = new QComboBox(this);
    cmbFont->setObjectName(QStringLiteral("cmbFont"));
    cmbFont->addItems({QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9"),
                       QStringLiteral("10"), QStringLiteral("11")});
    cmbFont->setCurrentIndex(-1);
    cmbFont->setGeometry(104, 96, 60, 22);
    label("Label25", QStringLiteral("(再起動必要)"), {172, 100, 100, 16});

    auto *ranks = new QGroupBox(QStringLiteral("ランク名(グループ名)"), this);
    ranks->setObjectName(QStringLiteral("GroupBox1"));
    ranks->setGeometry(8, 126, 284, 160);
    auto *sounds = new QGroupBox(QStringLiteral("@beep (soundフォルダ内)"), this);
    sounds->setObjectName(QStringLiteral("GroupBox2"));
    sounds->setGeometry(300, 8, 285, 160);
    for (int n = 0; n < 10; ++n) {
        const int x = n < 5 ? 8 : 144;
        const int y = 22 + (n % 5) * 26;

        QLabel *rankLabel = SlotLabel(ranks, n, x, y);
        edtRnk[size_t(n)] = new QLineEdit(ranks);
        edtRnk[size_t(n)]->setObjectName(QStringLiteral("edtRnk%1").arg(n));
        edtRnk[size_t(n)]->setGeometry(x + 18, y, 112, 22);
        Colour(edtRnk[size_t(n)], QPalette::Base, kRankColours[size_t(n)].background);
        Colour(edtRnk[size_t(n)], QPalette::Text, RankFieldTextColour(n));

        QLabel *soundLabel = SlotLabel(sounds, n, x, y);
        edtBeep[size_t(n)] = new QLineEdit(sounds);
        edtBeep[size_t(n)]->setObjectName(QStringLiteral("edtBeep%1").arg(n));
        edtBeep[size_t(n)]->setGeometry(x + 18, y, 112, 22);
        if (n < 2)
            Colour(edtBeep[size_t(n)], QPalette::Base, 0xC0C0C0);

        if (n < 2) {
            Colour(rankLabel, QPalette::WindowText, kBlue);
            Colour(soundLabel, QPalette::WindowText, kBlue);
        } else if (n == 6 || n == 7) {
            Colour(rankLabel, QPalette::WindowText, kWhite);
        } else if (n >= 8) {
            Colour(rankLabel, QPalette::WindowText, kRed);
        }
    }

    bbtnOK = new QPushButton(QStringLiteral("書き込む"), this);
    bbtnOK->setObjectName(QStringLiteral("bbtnOK"));
    bbtnOK->setGeometry(400, 256, 88, 28);
    BitBtn1 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(496, 256, 88, 28);
    connect(bbtnOK, &QPushButton::clicked, this, [this] {
        if (bbtnOKClick())
            Done(OK);
    });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Done(Cancel); });
}

void TFrmCustom::showEvent(QShowEvent *event)
{
    TModalForm::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFrmCustom::FormShow()
{
    ProfileFile ini(m_settingsPath);
    if (QFileInfo(m_settingsPath).isFile() && ini.Load()) {
        RestorePosition(ini);
        const QString font = ini.ReadString(keys::kSystem, keys::kFontSize, QStringLiteral("10"));
        cmbFont->setCurrentIndex(cmbFont->findText(font));
        const std::array<QString, 2> soundDefaults{QStringLiteral("alarm.wav"), QStringLiteral("p.wav")};
        for (int n = 0; n < 10; ++n) {
            const QString sound = n < 2 ? soundDefaults[size_t(n)] : QString();
            edtBeep[size_t(n)]->setText(ini.ReadString(keys::kSound, keys::Beep(n), sound).toLower());
            edtRnk[size_t(n)]->setText(ini.ReadString(keys::kRnk, keys::Rank(n), kDefaultRanks[size_t(n)]));
        }
    }
    edtMyID->setText(m_values.ownId);
    chkAction->setChecked(m_values.actionLog);
    (m_values.style == 0 ? rbtWinStyle0 : rbtWinStyle1)->setChecked(true);
}

bool TFrmCustom::bbtnOKClick()
{
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    CustomValues values = m_values;
    // Only an 8-digit ID replaces the one held: an empty own ID would make every line
    // without a speaker the user's own.
    const QString id = edtMyID->text();
    if (id.size() == 8)
        values.ownId = id;
    values.actionLog = chkAction->isChecked();
    values.style = rbtWinStyle0->isChecked() ? 0 : 1;
    bool fontChosen = false;
    const int font = cmbFont->currentText().toInt(&fontChosen);
    // With no size chosen, the size in use stays, and the file keeps its own.
    if (fontChosen)
        values.fontSize = font;

    if (QFileInfo(m_settingsPath).isFile()) {
        ProfileFile ini(m_settingsPath);
        QString error;
        bool ok = ini.Load(&error);
        if (ok) {
            if (fontChosen)
                ini.WriteInt(keys::kSystem, keys::kFontSize, font);
            for (int n = 0; n < 10; ++n)
                ini.WriteString(keys::kSound, keys::Beep(n), edtBeep[size_t(n)]->text().toLower());
            for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0})
                ini.WriteString(keys::kRnk, keys::Rank(n), TrimControls(edtRnk[size_t(n)]->text()));
            ok = ini.Save(&error);
        }
        if (!ok) {
            m_prompts.Warning(kCustomSaveFailed + QStringLiteral("\n") + error);
            return false;
        }
    }
    m_values = values;
    return true;
}
