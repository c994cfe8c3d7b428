#include "app/about_form.h"

#include "app/app_icon.h"
#include "core/strings.h"
#include "core/user_interface.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace qv {

namespace {

constexpr int logoWidth = 360;
constexpr int iconBoxSize = 48;
// The product line's font is this much larger than the window's message font, in points.
constexpr int productFontIncrease = 10;

} // namespace

QString ProductTitle()
{
    const QString title = LoadStr(QV_STR(4000));
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

QPixmap AboutLogo(int width, qreal devicePixelRatio)
{
    const int height = width / 3;
    QPixmap pixmap(QSize(width, height) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF band(0.5, 0.5, width - 1.0, height - 1.0);
    QLinearGradient gradient(band.topLeft(), band.bottomRight());
    gradient.setColorAt(0.0, QColor(0xEE, 0xF3, 0xFB));
    gradient.setColorAt(1.0, QColor(0xD9, 0xE4, 0xF5));
    QPainterPath outline;
    outline.addRoundedRect(band, 10, 10);
    painter.fillPath(outline, gradient);
    painter.setPen(QPen(QColor(0xB8, 0xC8, 0xE0), 1.0));
    painter.drawPath(outline);

    // The four bars of the icon's tree, as a quiet stripe along the bottom.
    const QColor bars[] = {QColor(0x3B, 0x7D, 0xDD), QColor(0xF2, 0x9A, 0x1F), QColor(0x2E, 0xB8, 0x7E),
                           QColor(0x8E, 0x5C, 0xD9)};
    const qreal stripe = height / 18.0;
    const qreal barWidth = (width - 2 * 24.0) / 4;
    for (int i = 0; i < 4; ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(bars[i]);
        painter.drawRoundedRect(QRectF(24.0 + i * barWidth + 2, height - 14.0 - stripe, barWidth - 4, stripe),
                                stripe / 2, stripe / 2);
    }

    const int iconSize = height * 6 / 10;
    const QRect iconRect(height / 5, (height - iconSize) / 2 - 4, iconSize, iconSize);
    ApplicationIcon().paint(&painter, iconRect);

    // The title as large as fits between the icon and the right edge.
    const QString title = ProductTitle();
    const QRect textRect(iconRect.right() + height / 6, 0, width - iconRect.right() - height / 3, height - 8);
    QFont font = painter.font();
    font.setBold(true);
    for (int size = height * 36 / 100; size > 8; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(title) <= textRect.width())
            break;
    }
    painter.setFont(font);
    painter.setPen(QColor(0x25, 0x3A, 0x5E));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, title);
    return pixmap;
}

TAboutForm::TAboutForm(const QString& text, const QString& link, QWidget* parent)
    : QDialog(parent), FLink(link)
{
    const QString title = ProductTitle();
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(LoadStr(QV_STR(2070), {title}));

    auto* icon = new QLabel(this);
    icon->setFixedSize(iconBoxSize, iconBoxSize);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(ApplicationIcon().pixmap(QSize(iconBoxSize, iconBoxSize), devicePixelRatioF()));

    FProduct = new QLabel(title + u' ' + QStringLiteral(QV_VERSION), this);
    QFont font = QApplication::font("QMessageBoxLabel");
    font.setPointSizeF(font.pointSizeF() + productFontIncrease);
    FProduct->setFont(font);
    FProduct->setTextInteractionFlags(Qt::TextSelectableByMouse);

    FLogo = new QLabel(this);
    FLogo->setAlignment(Qt::AlignCenter);
    FLogo->setPixmap(AboutLogo(logoWidth, devicePixelRatioF()));
    if (!FLink.isEmpty()) {
        FLogo->setCursor(Qt::PointingHandCursor);
        FLogo->setToolTip(FLink);
    }
    FLogo->installEventFilter(this);

    FText = new QPlainTextEdit(text, this);
    FText->setReadOnly(true);
    FText->setFixedHeight(FText->fontMetrics().lineSpacing() * 6 + 2 * FText->frameWidth() + 8);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(LoadStr(QV_STR(2023)), QDialogButtonBox::AcceptRole)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0);
    layout->addWidget(FProduct, 0, 1);
    layout->addWidget(FLogo, 1, 0, 1, 2);
    layout->addWidget(FText, 2, 0, 1, 2);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FLogo && event->type() == QEvent::MouseButtonRelease && !FLink.isEmpty()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && FLogo->rect().contains(mouse->position().toPoint())) {
            UrlOpener().OpenUrl(QUrl(FLink));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShowAbout(const QString& text, const QString& link, QWidget* parent)
{
    TAboutForm form(text, link, parent);
    form.exec();
}

} // namespace qv
