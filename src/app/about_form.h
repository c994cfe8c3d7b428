#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;
class QPlainTextEdit;

namespace qv {

// The About window: the product's title and version, the program's icon, the logo, a read-only box
// with the caller's text and OK. Clicking the logo opens the caller's link through the URL opener.
class TAboutForm : public QDialog
{
public:
    TAboutForm(const QString& text, const QString& link, QWidget* parent = nullptr);

    // The product line: the title and the version.
    QLabel* ProductLabel() const { return FProduct; }
    QLabel* LogoLabel() const { return FLogo; }
    QPlainTextEdit* TextBox() const { return FText; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString FLink;
    QLabel* FProduct = nullptr;
    QLabel* FLogo = nullptr;
    QPlainTextEdit* FText = nullptr;
};

// The product's title: string 4000, or the application's name when that is empty.
QString ProductTitle();

// The logo: the program's icon beside the product's title on a soft band, `width` by a third of it
// in device-independent pixels, drawn for `devicePixelRatio`.
QPixmap AboutLogo(int width, qreal devicePixelRatio);

// Shows the About window modally.
void ShowAbout(const QString& text, const QString& link, QWidget* parent);

} // namespace qv
