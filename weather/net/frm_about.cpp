#include "weather/net/frm_about.h"

#include "common/object_names.h"
#include "common/text_codec.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "weather/config/layout_file.h"
#include "weather/net/error_log.h"
#include "weather/net/version_check.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace net {
namespace {

const QString kTitle = QStringLiteral("Nimbulo");

using common::named;

QPushButton* button(const char* name, const QString& caption, const QString& tip, QWidget* parent)
{
    auto* b = named(new QPushButton(caption, parent), name);
    b->setToolTip(tip);
    return b;
}

QString readme(const QString& appDir)
{
    QFile file(appDir + QStringLiteral("readme.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return common::decodeText(file.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

frmAbout::frmAbout(ErrorLog& log, const QString& appDir, QWidget* parent)
    : QWidget(parent, Qt::Window), picIcon(named(new QLabel(this), "picIcon")),
      lblTitle(named(new QLabel(kTitle, this), "lblTitle")),
      lblVersion(
          named(new QLabel(QStringLiteral("Version ") + programVersion(), this), "lblVersion")),
      lblDescription(named(new QLabel(QStringLiteral("Live weather observations from the Bureau "
                                                     "of Meteorology, on your desktop."),
                                      this),
                           "lblDescription")),
      Text1(named(new QPlainTextEdit(readme(appDir), this), "Text1")),
      lblSite(named(new QLabel(homePage(), this), "lblSite")),
      cmdErrLog(button("cmdErrLog", QStringLiteral("Show Program Error Log"),
                       QStringLiteral("Click button to see what went wrong, or visit the Nimbulo "
                                      "web site for help"),
                       this)),
      cmdUpdateme(button("cmdUpdateme", QStringLiteral("Auto UpDate the Program"),
                         QStringLiteral("Click button to check for autocheck for Program or "
                                        "Program file UpDates"),
                         this)),
      cmdToBom(button("cmdToBom", QStringLiteral("Bureau of Meteorology Site"),
                      QStringLiteral("Click button to go to Bureau of Meteorology Web Site"),
                      this)),
      cmdGoHome(button("cmdGoHome", QStringLiteral("Nimbulo Web Site"),
                       QStringLiteral("Click button to visit the Nimbulo web site"), this)),
      cmdOK(button("cmdOK", QStringLiteral("OK"), QString(), this))
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About ") + kTitle);

    picIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    lblTitle->setFont(titleFont);
    lblDescription->setWordWrap(true);
    Text1->setReadOnly(true);
    lblSite->setCursor(Qt::PointingHandCursor);
    cmdErrLog->setEnabled(!log.isEmpty());
    cmdOK->setDefault(true);
    // A build for a package names no update server or web site: the window offers neither.
    if (!updatesFromServer()) {
        cmdUpdateme->hide();
        lblDescription->setText(lblDescription->text() + QLatin1Char('\n') +
                                common::updatesWithPackageText());
    }
    if (homePage().isEmpty()) {
        lblSite->hide();
        cmdGoHome->hide();
        cmdErrLog->setToolTip(QStringLiteral("Click button to see what went wrong"));
    }

    auto* head = new QGridLayout;
    head->addWidget(picIcon, 0, 0, 3, 1, Qt::AlignTop);
    head->addWidget(lblTitle, 0, 1);
    head->addWidget(lblVersion, 1, 1);
    head->addWidget(lblDescription, 2, 1);
    head->setColumnStretch(1, 1);
    auto* links = new QHBoxLayout;
    links->addWidget(cmdErrLog);
    links->addWidget(cmdUpdateme);
    links->addWidget(cmdToBom);
    links->addWidget(cmdGoHome);
    auto* foot = new QHBoxLayout;
    foot->addWidget(lblSite);
    foot->addStretch();
    foot->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(Text1, 1);
    layout->addLayout(links);
    layout->addLayout(foot);
    resize(640, 460);

    connect(&log, &ErrorLog::changed, cmdErrLog, &QWidget::setEnabled);
    connect(cmdErrLog, &QPushButton::clicked, this, &frmAbout::errorLogRequested);
    connect(cmdUpdateme, &QPushButton::clicked, this, &frmAbout::updateRequested);
    connect(cmdToBom, &QPushButton::clicked, this, [] { platform::openUrl(config::bureauRoot()); });
    connect(cmdGoHome, &QPushButton::clicked, this, [] { openUrl(); });
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
    lblSite->installEventFilter(this);
    picIcon->installEventFilter(this);
}

void frmAbout::setUpdateBusy(bool busy)
{
    cmdUpdateme->setEnabled(!busy);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblSite) {
        switch (event->type()) {
        case QEvent::Enter:
            underlineSite(true);
            break;
        case QEvent::Leave:
            underlineSite(false);
            break;
        case QEvent::MouseButtonRelease:
            openUrl();
            return true;
        default:
            break;
        }
    } else if (watched == picIcon && event->type() == QEvent::MouseButtonDblClick) {
        openUrl();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmAbout::underlineSite(bool on)
{
    QFont font = lblSite->font();
    font.setUnderline(on);
    lblSite->setFont(font);
}

} // namespace net
