// The desktop clipboard under the offscreen platform: several named formats and a picture at once.

#include "app/qt_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(QtClipboard, CarriesNamedFormatsAndAPictureTogether)
{
    TQtClipboard clipboard;
    QImage picture(7, 3, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(picture.save(&buffer, "png"));
    const QByteArray bytes("\x00\x01\xFF binary", 10);
    clipboard.SetContent(
        {{QStringLiteral("Some Data"), bytes}, {QStringLiteral("Some Type"), QByteArray("t\0\0\0", 4)}}, png);
    EXPECT_TRUE(clipboard.HasFormat(QStringLiteral("Some Data")));
    EXPECT_EQ(clipboard.Data(QStringLiteral("Some Data")), bytes);
    EXPECT_EQ(clipboard.Data(QStringLiteral("Some Type")), QByteArray("t\0\0\0", 4));
    ASSERT_TRUE(clipboard.HasImage());
    QImage back;
    ASSERT_TRUE(back.loadFromData(clipboard.Image(), "png"));
    EXPECT_EQ(back.size(), picture.size());
    EXPECT_EQ(back.pixel(3, 1) & 0xFFFFFF, 0x0AC81Eu);

    clipboard.SetText(QStringLiteral("text"));
    EXPECT_FALSE(clipboard.HasImage());
    EXPECT_FALSE(clipboard.HasFormat(QStringLiteral("Some Data")));
}

TEST(QtClipboard, OffersTheTextToOtherProgramsAndTheContentUnderItsOwnType)
{
    TQtClipboard clipboard;
    clipboard.SetTextAndData(QStringLiteral("seen"), QStringLiteral("content"), QByteArray("<Markup/>"));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("seen"));
    EXPECT_EQ(data->data(QStringLiteral("application/x-quorvane-content")), QByteArray("<Markup/>"));
    EXPECT_EQ(clipboard.Text(), QStringLiteral("seen"));
    EXPECT_EQ(clipboard.Data(QStringLiteral("content")), QByteArray("<Markup/>"));
}

} // namespace
} // namespace qv
