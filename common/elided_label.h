#pragma once

#include <QLabel>
#include <QStringList>

class QComboBox;

namespace common {

// A one-line label that never widens its window for a long text: it asks for at most
// `maxWidth` pixels and draws its text elided ("…") to the width it gets. text() stays the full
// text, which its tooltip shows while it is cut (unless the label has a tooltip of its own).
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr, int maxWidth = 240);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool isElided() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int maxWidth_;
};

// Sets `box` to the entries: the box is sized for `minimumChars` characters however long they
// are (its list shows them whole) and each entry's tooltip is its full text.
void setComboEntries(QComboBox* box, const QStringList& entries, int minimumChars = 24);

} // namespace common
