#include "saver/frm_setup.h"

#include "saver/frm_about.h"
#include "saver/frm_chg_pswd.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace saver {

frmSetup::frmSetup(const platform::RegistryStore& store, QWidget* parent)
    : QDialog(parent), cmbDispType(new QComboBox(this)),
      lblColor(new QLabel(QStringLiteral("Text"), this)),
      cmdColorChoice(new QPushButton(QStringLiteral("Choose Font"), this)),
      VScroll1(new QScrollBar(Qt::Vertical, this)), lblSeconds(new QLabel(this)),
      chkUsePassword(new QCheckBox(QStringLiteral("Password protected"), this)),
      cmdAbout(new QPushButton(QStringLiteral("About"), this)),
      cmdCancel(new QPushButton(QStringLiteral("Cancel"), this)),
      cmdOK(new QPushButton(QStringLiteral("OK"), this)), store_(store)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Options"));
    cmbDispType->setObjectName(QStringLiteral("cmbDispType"));
    lblColor->setObjectName(QStringLiteral("lblColor"));
    cmdColorChoice->setObjectName(QStringLiteral("cmdColorChoice"));
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    lblSeconds->setObjectName(QStringLiteral("lblSeconds"));
    chkUsePassword->setObjectName(QStringLiteral("chkUsePassword"));
    chkUsePassword->setToolTip(
        QStringLiteral("Ask for the password set with \"nimsaver /a\" before the saver ends"));
    cmdAbout->setObjectName(QStringLiteral("cmdAbout"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));

    auto* fontFrame = new QGroupBox(QStringLiteral("Display Font"), this);
    auto* fontLayout = new QVBoxLayout(fontFrame);
    fontLayout->addWidget(cmbDispType);
    fontLayout->addWidget(lblColor);
    fontLayout->addWidget(cmdColorChoice);
    auto* holdFrame = new QGroupBox(QStringLiteral("Display Hold Timer"), this);
    auto* holdLayout = new QHBoxLayout(holdFrame);
    holdLayout->addWidget(VScroll1);
    holdLayout->addWidget(lblSeconds);
    holdLayout->addWidget(new QLabel(QStringLiteral("Seconds"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAbout);
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdOK);
    auto* frames = new QHBoxLayout;
    frames->addWidget(fontFrame, 1);
    frames->addWidget(holdFrame);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addWidget(chkUsePassword);
    layout->addLayout(buttons);

    cmbDispType->addItems(
        {QStringLiteral("Scroll pairs left"), QStringLiteral("Scroll all vertical")});
    // The sample shows the text as the display does: on black.
    QPalette samplePalette = lblColor->palette();
    samplePalette.setColor(QPalette::Window, Qt::black);
    lblColor->setPalette(samplePalette);
    lblColor->setAutoFillBackground(true);
    VScroll1->setRange(0, kMaxImageTime - kMinImageTime);
    VScroll1->setMinimumHeight(80);
    cmdOK->setDefault(true);

    // The sample's own look is the default the stored settings override.
    setSample(designFont(), designColor());
    settings_.tickerFont = lblColor->font();
    settings_.tickerColor = lblColor->palette().color(QPalette::WindowText);
    loadSaverSettings(store_, settings_);
    cmbDispType->setCurrentIndex(settings_.displayType);
    setSample(settings_.tickerFont, settings_.tickerColor);
    chkUsePassword->setChecked(readUsePassword(store_));

    connect(VScroll1, &QScrollBar::valueChanged, this,
            [this](int value) { lblSeconds->setText(QString::number(kMaxImageTime - value)); });
    VScroll1->setValue(kMaxImageTime - settings_.imageTime);
    lblSeconds->setText(QString::number(kMaxImageTime - VScroll1->value()));

    // Protection without a password protects nothing: ticking it first asks for one.
    connect(chkUsePassword, &QCheckBox::clicked, this, [this](bool on) {
        if (!on || !settings_.saverPassword.isEmpty())
            return;
        frmChgPswd dialog(store_, this);
        if (dialog.exec() == QDialog::Accepted)
            settings_.saverPassword = dialog.saverPassword();
        chkUsePassword->setChecked(!settings_.saverPassword.isEmpty());
    });
    connect(cmdColorChoice, &QPushButton::clicked, this, &frmSetup::chooseFont);
    connect(cmdAbout, &QPushButton::clicked, this, [this] { frmAbout(this).exec(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdOK, &QPushButton::clicked, this, &frmSetup::ok);
}

void frmSetup::setSample(const QFont& font, const QColor& color)
{
    lblColor->setFont(font);
    QPalette pal = lblColor->palette();
    pal.setColor(QPalette::WindowText, color);
    lblColor->setPalette(pal);
}

void frmSetup::chooseFont()
{
    const QColor current = lblColor->palette().color(QPalette::WindowText);
    QFontDialog fonts(lblColor->font(), this);
    fonts.setObjectName(QStringLiteral("fontDialog"));
    if (fonts.exec() != QDialog::Accepted)
        return;
    const QFont chosen = fonts.selectedFont();
    QFont font(chosen.family());
    font.setPointSizeF(chosen.pointSizeF());
    font.setBold(chosen.weight() >= QFont::Bold);
    font.setItalic(chosen.italic());
    font.setUnderline(chosen.underline());
    font.setStrikeOut(chosen.strikeOut());

    // Qt's font dialog has no colour; the colour dialog follows it.
    QColorDialog colors(current, this);
    colors.setObjectName(QStringLiteral("colorDialog"));
    setSample(font, colors.exec() == QDialog::Accepted ? colors.selectedColor() : current);
}

void frmSetup::ok()
{
    settings_.displayType = cmbDispType->currentIndex();
    settings_.imageTime = kMaxImageTime - VScroll1->value();
    settings_.tickerColor = lblColor->palette().color(QPalette::WindowText);
    settings_.tickerFont = lblColor->font();
    saveSaverSettings(store_, settings_);
    saveUsePassword(store_, chkUsePassword->isChecked());
    accept();
}

} // namespace saver
