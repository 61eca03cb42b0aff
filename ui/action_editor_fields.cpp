// The editor frame's data side: loading an action into the controls, checking
// and saving them back, the pointer and colour capture, and pictures.
#include "ui/action_editor_frame.h"

#include "core/base64.h"
#include "core/colour_text.h"
#include "core/number_text.h"
#include "platform/input_injector.h"
#include "platform/screen_source.h"
#include "ui/typed_fields.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <cstring>
#include <limits>
#include <span>
#include <spanstream>
#include <sstream>

namespace clickwisp {

namespace {

QString text(const QLineEdit* edit)
{
    return edit->text();
}

QString text(const QAbstractSpinBox* spin)
{
    return spin->text();
}

std::optional<int32_t> fieldValue(const QString& fieldText)
{
    return ParseInt32(fieldText.trimmed().toStdString());
}

QString number(int32_t value)
{
    return QString::number(value);
}

// Checks the radio button with the given id, or none when no button has it.
void checkOnly(QButtonGroup* group, int id)
{
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(group->id(button) == id);
    group->setExclusive(true);
}

// The combo entry at index, or no entry when the value is off the list.
void selectIndex(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

// Palette roles standing in for the system colours (0xFF000000 + index).
std::optional<QColor> systemColour(uint32_t index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 5: return palette.color(QPalette::Base); // clWindow
    case 7:
    case 8: return palette.color(QPalette::Text); // clMenuText, clWindowText
    case 9:
    case 18: return palette.color(QPalette::ButtonText); // clCaptionText, clBtnText
    case 13:
    case 29: return palette.color(QPalette::Highlight); // clHighlight, clMenuHighlight
    case 14: return palette.color(QPalette::HighlightedText); // clHighlightText
    case 16:
    case 21: return palette.color(QPalette::Dark); // clBtnShadow, cl3DDkShadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text); // clGrayText
    case 20:
    case 22: return palette.color(QPalette::Light); // clBtnHighlight, cl3DLight
    case 23: return palette.color(QPalette::ToolTipText); // clInfoText
    case 24: return palette.color(QPalette::ToolTipBase); // clInfoBk
    case 26: return palette.color(QPalette::Link); // clHotLight
    default: break;
    }
    if (index <= 30)
        return palette.color(QPalette::Window);
    return std::nullopt;
}

} // namespace

void TfrmDefine::LoadFromAction(const TBaseCtrlEX& action)
{
    checkOnly(m_typeGroup, action.actionType);
    ApplyTypeRule();
    selectIndex(m_buttonList, action.mouseButton);
    selectIndex(m_clickKindList, action.mouseAction);
    checkOnly(m_pointGroup, action.mousePoint);
    ApplyClickPointRule();

    m_clickX->setText(number(action.mouseClickPosX));
    m_clickY->setText(number(action.mouseClickPosY));
    m_colourText->setText(QString::fromStdString(action.fColor));
    setSwatch(m_colourText->text());

    // The whole value, not a 16-bit or clamped one, so a round trip keeps it.
    m_colourSimilarity->setText(number(action.fColorSimplar));
    m_pictureSimilarity->setText(number(action.fBMPSimplar));

    m_pictureText = action.fBMP;
    m_picture = QImage();
    if (!m_pictureText.empty()) {
        if (auto bytes = Base64Decode(m_pictureText)) {
            std::ispanstream stream(std::span<const char>(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
            // Shown as playback sees it (a BMP cut short at its header's
            // size); a BMP of another depth through Qt's reader.
            TBDBitmapData bitmap;
            bitmap.LoadFromStream(stream);
            if (bitmap.Width() > 0 && bitmap.Height() > 0) {
                QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_BGR888);
                for (int32_t y = 0; y < bitmap.Height(); ++y)
                    std::memcpy(image.scanLine(y), bitmap.Row(y), size_t(bitmap.Width()) * 3);
                m_picture = image;
            } else {
                m_picture = QImage::fromData(QByteArrayView(bytes->data(), qsizetype(bytes->size())), "BMP");
            }
        }
    }
    showPicture();

    m_moveX->setText(number(action.mouseMovePosX));
    m_moveY->setText(number(action.mouseMovePosY));

    m_keyList->setCurrentIndex(m_keyList->findData(action.key));
    selectIndex(m_keyActionList, action.keyAction);
    m_typedText->setText(QString::fromStdString(action.typeText));

    // Truncating division, so a negative delay splits into negative parts
    // that add up to it again.
    const int32_t d = action.delay;
    m_delayHours->setText(number(d / 3600000));
    m_delayMinutes->setText(number(d % 3600000 / 60000));
    m_delaySeconds->setText(number(d % 60000 / 1000));
    m_delayTenths->setText(number(d % 1000 / 100));
    m_delayHundredths->setText(number(d % 100 / 10));
    m_delayThousandths->setText(number(d % 10));
}

std::optional<TfrmDefine::FieldProblem> TfrmDefine::FindInvalidField() const
{
    struct Field {
        QWidget* widget;
        QString text;
        const char* name;
    };
    const Field fields[] = {
        { m_clickX, text(m_clickX), "Click point X" },
        { m_clickY, text(m_clickY), "Click point Y" },
        { m_colourSimilarity, text(m_colourSimilarity), "Color similarity" },
        { m_pictureSimilarity, text(m_pictureSimilarity), "BMP similarity" },
        { m_moveX, text(m_moveX), "Move X" },
        { m_moveY, text(m_moveY), "Move Y" },
        { m_delayHours, text(m_delayHours), "Delay hours" },
        { m_delayMinutes, text(m_delayMinutes), "Delay minutes" },
        { m_delaySeconds, text(m_delaySeconds), "Delay seconds" },
        { m_delayTenths, text(m_delayTenths), "Delay 1/10 S" },
        { m_delayHundredths, text(m_delayHundredths), "Delay 1/100 S" },
        { m_delayThousandths, text(m_delayThousandths), "Delay ms(1/1000 S)" },
    };
    for (const Field& field : fields) {
        if (fieldValue(field.text))
            continue;
        const QString name = QString::fromLatin1(field.name);
        if (field.text.trimmed().isEmpty())
            return FieldProblem { field.widget, QStringLiteral("%1: the field is empty; enter a number").arg(name) };
        return FieldProblem { field.widget, QStringLiteral("%1: '%2' is not a whole number").arg(name, field.text) };
    }
    const int64_t delay = int64_t(*fieldValue(text(m_delayHours))) * 3600000
        + int64_t(*fieldValue(text(m_delayMinutes))) * 60000 + int64_t(*fieldValue(text(m_delaySeconds))) * 1000
        + int64_t(*fieldValue(text(m_delayTenths))) * 100 + int64_t(*fieldValue(text(m_delayHundredths))) * 10
        + int64_t(*fieldValue(text(m_delayThousandths)));
    if (delay > std::numeric_limits<int32_t>::max() || delay < std::numeric_limits<int32_t>::min())
        return FieldProblem { m_delayHours,
            QStringLiteral("Delay: %1 ms is out of range (at most %2 ms)")
                .arg(delay)
                .arg(std::numeric_limits<int32_t>::max()) };
    return std::nullopt;
}

Result<void> TfrmDefine::SaveToAction(TBaseCtrlEX& action)
{
    if (auto problem = FindInvalidField())
        return fail(problem->message.toStdString());
    auto value = [](const QString& fieldText) { return *fieldValue(fieldText); };

    if (m_typeGroup->checkedId() >= 0)
        action.actionType = uint8_t(m_typeGroup->checkedId());
    // An entry off the list (a byte value the lists do not offer) is kept.
    if (m_buttonList->currentIndex() >= 0)
        action.mouseButton = uint8_t(m_buttonList->currentIndex());
    if (m_clickKindList->currentIndex() >= 0)
        action.mouseAction = uint8_t(m_clickKindList->currentIndex());
    if (m_pointGroup->checkedId() >= 0)
        action.mousePoint = uint8_t(m_pointGroup->checkedId());

    action.mouseClickPosX = value(text(m_clickX));
    action.mouseClickPosY = value(text(m_clickY));
    action.fColor = m_colourText->text().toStdString();

    // The stored text stays byte for byte unless another picture was loaded.
    action.fBMP = m_pictureText;

    action.fColorSimplar = value(text(m_colourSimilarity));
    action.fBMPSimplar = value(text(m_pictureSimilarity));
    action.mouseMovePosX = value(text(m_moveX));
    action.mouseMovePosY = value(text(m_moveY));

    if (m_keyList->currentIndex() >= 0)
        action.key = m_keyList->currentData().toInt();
    if (m_keyActionList->currentIndex() >= 0)
        action.keyAction = uint8_t(m_keyActionList->currentIndex());
    action.typeText = m_typedText->text().toStdString();

    action.delay = int32_t(int64_t(value(text(m_delayHours))) * 3600000 + int64_t(value(text(m_delayMinutes))) * 60000
        + int64_t(value(text(m_delaySeconds))) * 1000 + int64_t(value(text(m_delayTenths))) * 100
        + int64_t(value(text(m_delayHundredths))) * 10 + int64_t(value(text(m_delayThousandths))));
    return {};
}

void TfrmDefine::StartPointCapture()
{
    m_capturingPoint = true;
    m_captureTimer->start();
}

void TfrmDefine::StartColorCapture()
{
    m_capturingColour = true;
    m_captureTimer->start();
}

void TfrmDefine::StopCapture()
{
    if (m_capturingPoint) {
        m_captureTimer->stop();
        m_capturingPoint = false;
    }
    if (m_capturingColour) {
        m_captureTimer->stop();
        m_capturingColour = false;
    }
}

void TfrmDefine::timerSetPointTimer()
{
    int32_t x = 0;
    int32_t y = 0;
    if (!readPointer(x, y))
        return;
    if (m_capturingPoint) {
        // m_pointFixed follows the click panel, so it tells whether the type is a click.
        QLineEdit* fieldX = m_pointFixed->isEnabled() ? m_clickX : m_moveX;
        QLineEdit* fieldY = m_pointFixed->isEnabled() ? m_clickY : m_moveY;
        fieldX->setText(number(x));
        fieldY->setText(number(y));
    } else if (m_capturingColour) {
        uint32_t colour = 0;
        if (!readPixel(x, y, colour))
            return;
        m_colourText->setText(QString::fromStdString(ColorToText(colour)));
        setSwatch(m_colourText->text());
    }
}

bool TfrmDefine::readPointer(int32_t& x, int32_t& y)
{
    if (m_input) {
        const ScreenPoint point = m_input->GetCursorPos();
        x = point.x;
        y = point.y;
        return true;
    }
    const QPoint point = QCursor::pos();
    x = point.x();
    y = point.y();
    return true;
}

bool TfrmDefine::readPixel(int32_t x, int32_t y, uint32_t& colour)
{
    if (m_screen) {
        if (!m_pixel.SetSize(1, 1) || !m_screen->capture(x, y, m_pixel.View()))
            return false;
        colour = SwapRedBlue(m_pixel.PixelAt(0, 0)); // 0x00RRGGBB -> 0x00BBGGRR
        return true;
    }
    QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
    if (!screen)
        return false;
    const QPoint origin = screen->geometry().topLeft();
    const QImage image = screen->grabWindow(0, x - origin.x(), y - origin.y(), 1, 1).toImage();
    if (image.isNull())
        return false;
    const QRgb pixel = image.pixel(0, 0);
    colour = uint32_t(qRed(pixel)) | (uint32_t(qGreen(pixel)) << 8) | (uint32_t(qBlue(pixel)) << 16);
    return true;
}

void TfrmDefine::setSwatch(const QString& colourText)
{
    std::optional<QColor> colour;
    if (auto value = ColorFromText(colourText.toStdString())) {
        if ((*value >> 24) == 0)
            colour = QColor(int(*value & 0xFF), int((*value >> 8) & 0xFF), int((*value >> 16) & 0xFF));
        else if ((*value >> 24) == 0xFF)
            colour = systemColour(*value & 0xFFFFFF);
    }
    QPalette palette = m_colourSwatch->parentWidget()->palette();
    if (colour) {
        palette.setColor(QPalette::Base, *colour);
        palette.setColor(QPalette::Window, *colour);
    }
    m_colourSwatch->setPalette(palette);
    m_colourSwatch->setToolTip(colour ? QString() : QStringLiteral("No colour to show for '%1'").arg(colourText));
}

Result<void> TfrmDefine::LoadPictureFile(const QString& path)
{
    if (!QFileInfo::exists(path))
        return fail("The file does not exist.");
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull())
        return fail(QStringLiteral("%1 is not a readable picture: %2").arg(path, reader.errorString()).toStdString());
    const QImage converted = image.convertToFormat(QImage::Format_BGR888);
    TBDBitmapData bitmap;
    if (!bitmap.SetSize(converted.width(), converted.height()))
        return fail(QStringLiteral("%1: a picture of %2 x %3 pixels is too large (at most %4 on a side)")
                        .arg(path)
                        .arg(converted.width())
                        .arg(converted.height())
                        .arg(TBDBitmapData::kMaxSide)
                        .toStdString());
    for (int y = 0; y < converted.height(); ++y) {
        uint8_t* row = bitmap.Row(y);
        std::memset(row, 0, size_t(bitmap.Stride()));
        std::memcpy(row, converted.constScanLine(y), size_t(converted.width()) * 3);
    }
    std::ostringstream stream;
    if (!bitmap.SaveToStream(stream))
        return fail(QStringLiteral("%1: the picture could not be converted").arg(path).toStdString());
    const std::string bytes = std::move(stream).str();
    m_pictureText = Base64Encode(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    m_picture = converted;
    showPicture();
    return {};
}

void TfrmDefine::showPicture()
{
    if (!m_picture.isNull()) {
        m_pictureLabel->setPixmap(QPixmap::fromImage(m_picture));
        m_pictureLabel->setToolTip(QStringLiteral("%1 x %2 pixels").arg(m_picture.width()).arg(m_picture.height()));
    } else {
        m_pictureLabel->setPixmap(QPixmap());
        m_pictureLabel->setText(
            m_pictureText.empty() ? QString() : QStringLiteral("The stored picture cannot be read."));
        m_pictureLabel->setToolTip(QString());
    }
}

void TfrmDefine::btnBMPClick()
{
    QString path;
    if (m_filePrompt) {
        path = m_filePrompt();
    } else {
        QFileDialog dialog(window(), QStringLiteral("Load BMP"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(
            { QStringLiteral("BMP File (*.bmp)"), QStringLiteral("Pictures (*.bmp *.png *.jpg *.jpeg *.gif *.ppm)") });
        dialog.setDefaultSuffix(QStringLiteral("bmp"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return;
    if (auto loaded = LoadPictureFile(path); !loaded)
        showWarning(QString::fromStdString(loaded.error().message));
}

} // namespace clickwisp
