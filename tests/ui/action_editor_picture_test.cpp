// Pictures in the action editor: loading files of several formats, what is
// stored, and what stays when loading fails or nothing was loaded.

#include "tests/ui/action_editor_helpers.h"

#include "core/base64.h"
#include "tests/support/process.h"

#include <QImage>
#include <QLabel>
#include <QTest>

#include <spanstream>

using namespace clickwisp;
using test::child;
using test::dumpAction;

namespace {

std::string toBase64(const std::string& bytes)
{
    return Base64Encode(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// The picture an action stores, decoded as the engine reads it.
bool decodeStored(const std::string& text, TBDBitmapData& bitmap, int* bitsPerPixel = nullptr)
{
    auto bytes = Base64Decode(text);
    if (!bytes || bytes->size() < 54)
        return false;
    if (bitsPerPixel)
        *bitsPerPixel = (*bytes)[28] | ((*bytes)[29] << 8);
    std::ispanstream stream(std::span<const char>(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    return bitmap.LoadFromStream(stream);
}

uint32_t gradient(int32_t x, int32_t y)
{
    return uint32_t((x * 37) & 0xFF) << 16 | uint32_t((y * 53) & 0xFF) << 8 | uint32_t((x + y) & 0xFF);
}

// A BMP of 32 bits a pixel (blue, green, red, unused), bottom row first.
std::string gradientBmp32(int32_t width, int32_t height)
{
    std::string bytes(54 + size_t(width) * size_t(height) * 4, '\0');
    auto le32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    le32(2, uint32_t(bytes.size()));
    le32(10, 54);
    le32(14, 40);
    le32(18, uint32_t(width));
    le32(22, uint32_t(height));
    bytes[26] = 1;
    bytes[28] = 32;
    le32(34, uint32_t(width * height * 4));
    size_t at = 54;
    for (int32_t y = height - 1; y >= 0; --y)
        for (int32_t x = 0; x < width; ++x, at += 4)
            le32(at, gradient(x, y) | 0xFF000000u);
    return bytes;
}

QImage gradientImage(int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, 0xFF000000u | gradient(x, y));
    return image;
}

} // namespace

class ActionEditorPictureTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;

    // A dialog on the picture click point whose file prompt answers with path.
    struct Editor {
        TDForm dialog { nullptr, QStringLiteral("Edit Action") };
        QStringList warnings;
        QString answer;
        Editor()
        {
            dialog.setWarningHandler([this](const QString& message) { warnings << message; });
            dialog.frame()->setFilePrompt([this] { return answer; });
            child<QRadioButton>(&dialog, "rbBMP")->click();
        }
        void load(const QString& path)
        {
            answer = path;
            child<QPushButton>(&dialog, "btnBMP")->click();
        }
    };

    QString write24BitBmp(const char* name, int width, int height)
    {
        TBDBitmapData bitmap;
        test::fillBitmap(bitmap, width, height, gradient);
        test::writeFile(m_dir / name, test::bmpBytes(bitmap));
        return QString::fromStdString((m_dir / name).string());
    }

    static void verifyGradient(const TBDBitmapData& bitmap, int width, int height)
    {
        QCOMPARE(bitmap.Width(), width);
        QCOMPARE(bitmap.Height(), height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                QCOMPARE(bitmap.PixelAt(x, y), gradient(x, y));
    }

private slots:
    // The loaded file replaces the action's picture, shown and stored as a
    // 24-bit BMP whatever the file held; the format is read from the content.
    void aPictureFileBecomesTheStoredPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("24-bit bmp") << "seven.bmp" << QByteArray("BMP");
        QTest::newRow("png with alpha") << "shot.png" << QByteArray("PNG");
        QTest::newRow("png named .bmp") << "png-inside.bmp" << QByteArray("PNG");
    }

    void aPictureFileBecomesTheStoredPicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        QString path = QString::fromStdString((m_dir / name.toStdString()).string());
        if (format == "BMP")
            path = write24BitBmp("seven.bmp", 9, 4);
        else
            QVERIFY(gradientImage(9, 4, QImage::Format_ARGB32).save(path, format.constData()));
        TBDBitmapData old;
        test::fillBitmap(old, 2, 2, [](int32_t, int32_t) { return 0xFFFFFFu; });
        auto action = TBaseCtrlEX::Create();
        action->mousePoint = cpPicture;
        action->fBMP = toBase64(test::bmpBytes(old));

        Editor editor;
        editor.dialog.LoadFromAction(*action);
        editor.load(path);
        QVERIFY2(editor.warnings.isEmpty(), qPrintable(editor.warnings.join('\n')));
        auto* shown = child<QLabel>(&editor.dialog, "ImageBMP");
        QCOMPARE(shown->pixmap().size(), QSize(9, 4));
        QCOMPARE(shown->alignment(), Qt::AlignCenter);
        QVERIFY(editor.dialog.SaveToAction(*action).has_value());
        TBDBitmapData stored;
        int bits = 0;
        QVERIFY(decodeStored(action->fBMP, stored, &bits));
        QCOMPARE(bits, 24);
        verifyGradient(stored, 9, 4);
    }

    void aFailedLoadKeepsThePreviousPicture_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "nowhere.bmp"
                                 << "The file does not exist.";
        QTest::newRow("not a picture") << "notes.bmp"
                                       << "notes.bmp is not a readable picture";
        QTest::newRow("prompt cancelled") << ""
                                          << "";
    }

    void aFailedLoadKeepsThePreviousPicture()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        test::writeFile(m_dir / "notes.bmp", "these are notes, not a picture\n");

        Editor editor;
        editor.load(write24BitBmp("first.bmp", 3, 2));
        auto first = TBaseCtrlEX::Create();
        QVERIFY(editor.dialog.SaveToAction(*first).has_value());
        QVERIFY(!first->fBMP.empty());

        editor.load(file.isEmpty() ? QString() : QString::fromStdString((m_dir / file.toStdString()).string()));
        QCOMPARE(editor.warnings.size(), expected.isEmpty() ? 0 : 1);
        if (!expected.isEmpty())
            QVERIFY2(editor.warnings[0].contains(expected), qPrintable(editor.warnings[0]));
        QCOMPARE(editor.dialog.frame()->picture().size(), QSize(3, 2));
        auto second = TBaseCtrlEX::Create();
        QVERIFY(editor.dialog.SaveToAction(*second).has_value());
        QCOMPARE(second->fBMP, first->fBMP);
    }

    void anUntouchedPictureKeepsItsTextByteForByte_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("shown");
        QTest::newRow("unusual header, line breaks") << 24 << true << "";
        QTest::newRow("32-bit BMP, through Qt's reader") << 32 << true << "";
        QTest::newRow("not Base64") << 24 << false << "The stored picture cannot be read.";
    }

    void anUntouchedPictureKeepsItsTextByteForByte()
    {
        QFETCH(int, bits);
        QFETCH(bool, readable);
        QFETCH(QString, shown);
        TBDBitmapData bitmap;
        test::fillBitmap(bitmap, 4, 4, gradient);
        std::string bytes = bits == 32 ? gradientBmp32(4, 4) : test::bmpBytes(bitmap);
        bytes[38] = 0x13; // another resolution than a fresh encoding would write
        std::string text = toBase64(bytes);
        text.insert(16, "\r\n");
        auto action = TBaseCtrlEX::Create();
        action->mousePoint = cpPicture;
        action->fBMP = readable ? text : std::string("@@not base64@@");
        const QString before = dumpAction(*action);

        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        dialog.LoadFromAction(*action);
        QCOMPARE(dialog.frame()->hasPicture(), true);
        QCOMPARE(dialog.frame()->picture().isNull(), !readable);
        QCOMPARE(child<QLabel>(&dialog, "ImageBMP")->text(), shown);
        if (readable) {
            QCOMPARE(dialog.frame()->picture().size(), QSize(4, 4));
            QCOMPARE(dialog.frame()->picture().pixel(3, 1) & 0xFFFFFFu, gradient(3, 1));
        }
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(dumpAction(*action), before);
    }
};

QTEST_MAIN(ActionEditorPictureTest)
#include "action_editor_picture_test.moc"
