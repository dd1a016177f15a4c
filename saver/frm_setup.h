#pragma once

#include "saver/saver_settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace platform {
class RegistryStore;
}

namespace saver {

// "Options": the scroll style, the text's font and colour (shown on a sample) and the pause.
// The pause bar runs 0..17 and stands for 20 - value seconds, so moving it up lengthens the
// pause; whether ending the saver asks for its password (ticked while none is set, it asks for
// one first, and stays unticked without one). OK writes the settings; Cancel leaves them.
class frmSetup : public QDialog
{
    Q_OBJECT
public:
    explicit frmSetup(const platform::RegistryStore& store, QWidget* parent = nullptr);

    // Gives the sample a font and colour, as the font dialog's OK does.
    void setSample(const QFont& font, const QColor& color);

private:
    QComboBox* cmbDispType;
    QLabel* lblColor; // the sample "Text"
    QPushButton* cmdColorChoice;
    QScrollBar* VScroll1;
    QLabel* lblSeconds; // the pause the bar stands for
    QCheckBox* chkUsePassword;
    QPushButton* cmdAbout;
    QPushButton* cmdCancel;
    QPushButton* cmdOK;

    void chooseFont();
    void ok();

    const platform::RegistryStore& store_;
    SaverSettings settings_;
};

} // namespace saver
