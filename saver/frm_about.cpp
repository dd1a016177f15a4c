#include "saver/frm_about.h"

#include "platform/desktop.h"
#include "saver/stats_feed.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace saver {
namespace {

const QString kTitle = QStringLiteral("Nimbulo Screen Saver");

QString versionText()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(NIMBULO_VERSION_MAJOR)
        .arg(NIMBULO_VERSION_MINOR)
        .arg(NIMBULO_VERSION_PATCH);
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent), lblTitle(new QLabel(kTitle, this)),
      lblVersion(new QLabel(versionText(), this)), lblSite(new QLabel(this)),
      cmdGoHome(new QPushButton(QStringLiteral("Nimbulo Web Site"), this)),
      cmdOK(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + kTitle);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblSite->setObjectName(QStringLiteral("lblSite"));
    cmdGoHome->setObjectName(QStringLiteral("cmdGoHome"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));

    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    lblTitle->setFont(titleFont);
    // The address is shown as a link; following it goes through openUrl like the button.
    lblSite->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(homePage().toHtmlEscaped()));
    lblSite->setTextFormat(Qt::RichText);
    lblSite->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    lblSite->setCursor(Qt::PointingHandCursor);
    cmdOK->setDefault(true);
    // A build for a package names no web site.
    lblSite->setVisible(!homePage().isEmpty());
    cmdGoHome->setVisible(!homePage().isEmpty());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addWidget(lblSite);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdGoHome);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    layout->addLayout(buttons);

    connect(lblSite, &QLabel::linkActivated, this, [] { platform::openUrl(homePage()); });
    connect(cmdGoHome, &QPushButton::clicked, this, [] { platform::openUrl(homePage()); });
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace saver
