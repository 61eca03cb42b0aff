// The editor frame's data side: loading an action into the controls, checking
// and saving them back, the pointer and colour capture, and pictures.
#include "ui/action_editor_frame.h"

#include "core/base64.h"
#include "core/colour_text.h"
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

namespace clickwisp {

namespace {

// Checks the radio button with the given id, or none when no button has it.
void checkOnly(QButtonGroup* group, int id)
{
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(group->id(button) == id);
    group->setExclusive(true);
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
    showFields(FieldsFromAction(action));
    setSwatch(m_colourText->text());
}

ActionEditorFields TfrmDefine::fields() const
{
    ActionEditorFields fields;
    fields.type = m_typeGroup->checkedId();
    fields.button = m_buttonList->currentIndex();
    fields.clickKind = m_clickKindList->currentIndex();
    fields.clickPoint = m_pointGroup->checkedId();
    fields.key = m_keyList->currentIndex();
    fields.keyAction = m_keyActionList->currentIndex();
    for (size_t i = 0; i < kEditorTextCount; ++i) {
        QWidget* field = textField(EditorText(i));
        const QString text = qobject_cast<QLineEdit*>(field) ? static_cast<QLineEdit*>(field)->text()
                                                             : static_cast<QAbstractSpinBox*>(field)->text();
        fields.texts[i] = text.toStdString();
    }
    fields.picture = m_pictureText;
    return fields;
}

void TfrmDefine::showFields(const ActionEditorFields& fields)
{
    checkOnly(m_typeGroup, fields.type);
    ApplyTypeRule();
    m_buttonList->setCurrentIndex(fields.button);
    m_clickKindList->setCurrentIndex(fields.clickKind);
    checkOnly(m_pointGroup, fields.clickPoint);
    ApplyClickPointRule();
    for (size_t i = 0; i < kEditorTextCount; ++i)
        setFieldText(EditorText(i), fields.texts[i]);

    m_pictureText = fields.picture;
    m_picture = QImage();
    if (auto bitmap = PictureForDisplay(m_pictureText)) {
        QImage image(bitmap->Width(), bitmap->Height(), QImage::Format_BGR888);
        for (int32_t y = 0; y < bitmap->Height(); ++y)
            std::memcpy(image.scanLine(y), bitmap->Row(y), size_t(bitmap->Width()) * 3);
        m_picture = image;
    } else if (auto bytes = Base64Decode(m_pictureText); bytes && !bytes->empty()) {
        // A BMP of another depth, through Qt's reader.
        m_picture = QImage::fromData(QByteArrayView(bytes->data(), qsizetype(bytes->size())), "BMP");
    }
    showPicture();

    m_keyList->setCurrentIndex(fields.key);
    m_keyActionList->setCurrentIndex(fields.keyAction);
}

QWidget* TfrmDefine::textField(EditorText which) const
{
    QWidget* const fields[kEditorTextCount]
        = { m_clickX, m_clickY, m_colourSimilarity, m_pictureSimilarity, m_moveX, m_moveY, m_delayHours, m_delayMinutes,
              m_delaySeconds, m_delayTenths, m_delayHundredths, m_delayThousandths, m_colourText, m_typedText };
    return fields[size_t(which)];
}

void TfrmDefine::setFieldText(EditorText which, const std::string& text)
{
    QWidget* field = textField(which);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->setText(QString::fromStdString(text));
    else
        static_cast<TypedSpinBox*>(field)->setText(QString::fromStdString(text));
}

std::optional<TfrmDefine::FieldProblem> TfrmDefine::FindInvalidField() const
{
    auto problem = clickwisp::FindInvalidField(fields());
    if (!problem)
        return std::nullopt;
    return FieldProblem { textField(problem->field), QString::fromStdString(problem->message) };
}

Result<void> TfrmDefine::SaveToAction(TBaseCtrlEX& action)
{
    return SaveFields(fields(), action);
}

void TfrmDefine::StartPointCapture()
{
    m_capture.startPoint();
    followCapture();
}

void TfrmDefine::StartColorCapture()
{
    m_capture.startColour();
    followCapture();
}

void TfrmDefine::StopCapture()
{
    m_capture.stop();
    followCapture();
}

void TfrmDefine::keyPressed(bool typesCharacter)
{
    m_capture.keyPressed(typesCharacter);
    followCapture();
}

void TfrmDefine::followCapture()
{
    if (!m_capture.followsPointer())
        m_captureTimer->stop();
    else if (!m_captureTimer->isActive())
        m_captureTimer->start();
    if (m_capture.waitsForClick())
        showPickOverlays();
    else
        closePickOverlays();
}

void TfrmDefine::showPickOverlays()
{
    if (!m_pickOverlays.empty())
        return;
    // The screens as they are now, shown on the overlays (a compositor may
    // draw nothing under them) and read for a colour.
    if (m_screen) {
        QRect desktop;
        for (QScreen* screen : QGuiApplication::screens())
            desktop |= screen->geometry();
        m_pickSnapshot.take(*m_screen, { desktop.x(), desktop.y() }, { desktop.width(), desktop.height() });
    }
    for (QScreen* screen : QGuiApplication::screens()) {
        auto* overlay
            = new PointPickOverlay(this, screen, QString::fromLatin1(kPointPickHint), snapshotOf(screen->geometry()));
        connect(overlay, &PointPickOverlay::picked, this, [this](QPoint at) { pickPoint({ at.x(), at.y() }); });
        connect(overlay, &PointPickOverlay::cancelled, this, &TfrmDefine::StopCapture);
        m_pickOverlays.emplace_back(overlay);
        // Full screen rather than placed: a tiling compositor (sway) would
        // otherwise fit it in among the other windows.
        overlay->showFullScreen();
        overlay->raise();
        overlay->activateWindow();
        overlay->setFocus();
    }
}

QImage TfrmDefine::snapshotOf(const QRect& area) const
{
    if (!m_pickSnapshot.taken())
        return {};
    const TBDBitmapData& pixels = m_pickSnapshot.pixels();
    const QPoint from = area.topLeft() - QPoint(m_pickSnapshot.origin().x, m_pickSnapshot.origin().y);
    if (from.x() < 0 || from.y() < 0 || from.x() + area.width() > pixels.Width()
        || from.y() + area.height() > pixels.Height())
        return {};
    QImage image(area.size(), QImage::Format_BGR888);
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(image.scanLine(y), pixels.Row(from.y() + y) + 3 * from.x(), size_t(area.width()) * 3);
    return image;
}

void TfrmDefine::closePickOverlays()
{
    // Later: the click or key that ends the pick is still being delivered.
    for (const auto& overlay : m_pickOverlays)
        if (overlay) {
            overlay->hide();
            overlay->deleteLater();
        }
    m_pickOverlays.clear();
    m_pickSnapshot.clear();
}

void TfrmDefine::timerSetPointTimer()
{
    if (!m_capture.followsPointer())
        return;
    ActionEditorFields current = fields();
    showCaptured(
        current, m_capture.tick(current, readPointer(), [this](ScreenPoint point) { return readPixel(point); }));
}

void TfrmDefine::pickPoint(ScreenPoint point)
{
    if (!m_capture.waitsForClick())
        return;
    ActionEditorFields current = fields();
    showCaptured(current, m_capture.pick(current, point, [this](ScreenPoint at) {
        return m_pickSnapshot.taken() ? m_pickSnapshot.colourAt(at) : readPixel(at);
    }));
    followCapture();
}

void TfrmDefine::showCaptured(const ActionEditorFields& captured, const std::vector<EditorText>& changed)
{
    for (EditorText which : changed)
        setFieldText(which, captured.text(which));
    if (std::ranges::find(changed, EditorText::Colour) != changed.end())
        setSwatch(m_colourText->text());
}

ScreenPoint TfrmDefine::readPointer() const
{
    if (m_input)
        return m_input->GetCursorPos();
    const QPoint point = QCursor::pos();
    return { point.x(), point.y() };
}

std::optional<uint32_t> TfrmDefine::readPixel(ScreenPoint point)
{
    if (m_screen)
        return ReadScreenColour(*m_screen, point);
    QScreen* screen = QGuiApplication::screenAt(QPoint(point.x, point.y));
    if (!screen)
        return std::nullopt;
    const QPoint origin = screen->geometry().topLeft();
    const QImage image = screen->grabWindow(0, point.x - origin.x(), point.y - origin.y(), 1, 1).toImage();
    if (image.isNull())
        return std::nullopt;
    const QRgb pixel = image.pixel(0, 0);
    return uint32_t(qRed(pixel)) | (uint32_t(qGreen(pixel)) << 8) | (uint32_t(qBlue(pixel)) << 16);
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
    m_colourSwatch->setToolTip(colour ? QString() : QString::fromStdString(NoColourTip(colourText.toStdString())));
}

Result<void> TfrmDefine::LoadPictureFile(const QString& path)
{
    QImage converted;
    auto text
        = PictureTextFromFile(path.toStdString(), [&converted, &path](const std::string&) -> Result<DecodedPicture> {
              QImageReader reader(path);
              reader.setDecideFormatFromContent(true);
              const QImage image = reader.read();
              if (image.isNull())
                  return fail(reader.errorString().toStdString());
              converted = image.convertToFormat(QImage::Format_BGR888);
              return DecodedPicture { converted.width(), converted.height(), [&converted](int32_t y, uint8_t* row) {
                                         std::memcpy(row, converted.constScanLine(y), size_t(converted.width()) * 3);
                                     } };
          });
    if (!text)
        return std::unexpected(text.error());
    m_pictureText = std::move(*text);
    m_picture = converted;
    showPicture();
    return {};
}

void TfrmDefine::showPicture()
{
    if (!m_picture.isNull()) {
        m_pictureLabel->setPixmap(QPixmap::fromImage(m_picture));
        m_pictureLabel->setToolTip(QString::fromStdString(PictureSizeTip(m_picture.width(), m_picture.height())));
    } else {
        m_pictureLabel->setPixmap(QPixmap());
        m_pictureLabel->setText(m_pictureText.empty() ? QString() : QString::fromLatin1(kUnreadablePicture));
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
