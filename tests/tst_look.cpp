#include "support/files.h"
#include "support/imagecheck.h"
#include "support/testapp.h"

#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/fonts.h"
#include "controls/frame.h"
#include "controls/label.h"
#include "controls/optionbutton.h"
#include "controls/textbox.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTest>

namespace {

struct Caption {
    QString name;
    QString text;
    QString problem; // empty when the caption fits
};

// Whether `text`, wrapped at words as the control wraps it, fits `area`.
QString wrappedProblem(const QFontMetrics& metrics, const QRect& area, int flags,
                       const QString& text) {
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (metrics.horizontalAdvance(word) > area.width())
            return QStringLiteral("the word \"%1\" needs %2 of %3 pixels")
                .arg(word)
                .arg(metrics.horizontalAdvance(word))
                .arg(area.width());
    }
    const QRect used = metrics.boundingRect(area, flags, text);
    if (used.height() > area.height())
        return QStringLiteral("needs %1 pixels of height, has %2")
            .arg(used.height())
            .arg(area.height());
    return {};
}

QString lineProblem(const QFontMetrics& metrics, const QRect& area, const QString& text) {
    const int width = metrics.horizontalAdvance(text);
    if (width > area.width())
        return QStringLiteral("needs %1 of %2 pixels").arg(width).arg(area.width());
    return {};
}

// Every caption and initial text of the window's controls, each measured in the
// font the control resolves and against the area the control draws it in.
QList<Caption> measureCaptions(QWidget* window) {
    QList<Caption> result;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QFontMetrics metrics(w->font());
        Caption c{w->objectName(), {}, {}};
        if (auto* button = qobject_cast<platform::Button*>(w)) {
            c.text = button->text();
            c.problem = wrappedProblem(metrics, button->captionRect(),
                                       platform::Button::kCaptionFlags, c.text);
        } else if (auto* check = qobject_cast<platform::CheckBox*>(w)) {
            c.text = check->text();
            c.problem = wrappedProblem(metrics, check->captionRect(),
                                       platform::CheckBox::kCaptionFlags, c.text);
        } else if (auto* option = qobject_cast<platform::OptionButton*>(w)) {
            c.text = option->text();
            QStyleOptionButton style;
            style.initFrom(option);
            style.text = c.text;
            c.problem = lineProblem(
                metrics,
                option->style()->subElementRect(QStyle::SE_RadioButtonContents, &style, option),
                c.text);
        } else if (auto* label = qobject_cast<platform::Label*>(w)) {
            c.text = label->text();
            c.problem = lineProblem(metrics, label->contentsRect(), c.text);
        } else if (auto* frame = qobject_cast<platform::Frame*>(w)) {
            c.text = frame->title();
            c.problem = lineProblem(metrics, frame->rect(), c.text);
        } else if (auto* box = qobject_cast<platform::TextBox*>(w)) {
            // The box's frame and Qt's inner margin take two pixels a side each.
            c.text = box->text();
            c.problem = lineProblem(metrics, box->rect().adjusted(4, 0, -4, 0), c.text);
        } else {
            continue;
        }
        if (!c.text.isEmpty())
            result << c;
    }
    return result;
}

QString describe(const QList<Caption>& captions) {
    QStringList lines;
    for (const Caption& c : captions) {
        if (!c.problem.isEmpty())
            lines << QStringLiteral("%1 \"%2\": %3").arg(c.name, c.text, c.problem);
    }
    return lines.join(u'\n');
}

QImage grabbed(QWidget* w) {
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of the one-pixel frame around the image.
QList<QRgb> borderPixels(const QImage& image) {
    QList<QRgb> pixels;
    const int r = image.width() - 1, b = image.height() - 1;
    for (int x = 0; x <= r; ++x)
        pixels << image.pixel(x, 0) << image.pixel(x, b);
    for (int y = 1; y < b; ++y)
        pixels << image.pixel(0, y) << image.pixel(r, y);
    return pixels;
}

// The first pixel inside the border that is not `colour`, or an empty text.
QString faceDiffers(const QImage& image, QRgb colour, const QRect& skip = QRect()) {
    for (int y = 1; y < image.height() - 1; ++y) {
        for (int x = 1; x < image.width() - 1; ++x) {
            if (skip.contains(x, y))
                continue;
            if (image.pixel(x, y) != (colour | 0xFF000000))
                return QStringLiteral("(%1, %2) is #%3")
                    .arg(x)
                    .arg(y)
                    .arg(image.pixel(x, y) & 0xFFFFFF, 6, 16, QLatin1Char('0'));
        }
    }
    return {};
}

} // namespace

class LookTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void captionFaceIsInstalled();
    void everyCaptionFits();
    void measuringCatchesAWiderFace();
    void swatchShowsExactlyTheChosenColour_data();
    void swatchShowsExactlyTheChosenColour();
    void saveIsExactlyItsGreen();
    void focusAndPressStayVisible_data();
    void focusAndPressStayVisible();
};

void LookTest::initTestCase() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

void LookTest::captionFaceIsInstalled() {
    // Without the face the captions fall back to another one and the layout's
    // widths no longer hold: the package depends on it.
    const QFontInfo info(platform::captionFont(8.25));
    QCOMPARE(info.family(), QString::fromLatin1(platform::kCaptionFamily));
    QCOMPARE(info.pixelSize(), platform::captionPixelSize(8.25));
}

void LookTest::everyCaptionFits() {
    TestApp app;
    const QList<Caption> captions = measureCaptions(app.window.get());
    QStringList measured;
    for (const Caption& c : captions) {
        measured << c.text;
        QCOMPARE(QFontInfo(app.window->findChild<QWidget*>(c.name)->font()).family(),
                 QString::fromLatin1(platform::kCaptionFamily));
    }
    // The captions that a wider face cut short, and a sample of the rest.
    for (const char* text : {"Start from (000 to 999) :", "Save to Clipboard", "Custom", "Width",
                             "Height", "SAVE", "Paste from Clipboard", "Create new folder",
                             "Selection rectangle", "Save to file", "Adjustable", ".BMP", "000"})
        QVERIFY2(measured.contains(QString::fromLatin1(text)), text);
    const QString problems = describe(captions);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void LookTest::measuringCatchesAWiderFace() {
    // The measurement must see what a user saw with DejaVu Sans, the only face of
    // a fresh system: a caption cut short.
    QFont wide(QStringLiteral("DejaVu Sans"));
    wide.setPixelSize(11);
    if (QFontInfo(wide).family() != u"DejaVu Sans")
        QSKIP("DejaVu Sans is not installed");
    TestApp app;
    for (QWidget* w : app.window->findChildren<QWidget*>())
        w->setFont(wide);
    const QString problems = describe(measureCaptions(app.window.get()));
    QVERIFY2(problems.contains(u"Start from (000 to 999) :"), qPrintable(problems));
}

void LookTest::swatchShowsExactlyTheChosenColour_data() {
    QTest::addColumn<QRgb>("chosen");
    QTest::addColumn<bool>("focused");
    QTest::newRow("red") << QRgb(0xFFFF0000) << false;
    QTest::newRow("red with the focus") << QRgb(0xFFFF0000) << true;
    QTest::newRow("dark blue") << QRgb(0xFF000080) << false;
    QTest::newRow("the window's grey") << QRgb(0xFFE0E0E0) << true;
}

void LookTest::swatchShowsExactlyTheChosenColour() {
    QFETCH(QRgb, chosen);
    QFETCH(bool, focused);
    TestApp app;
    QVERIFY(app.showWindow());
    platform::Button* swatch = app.f().Command4;
    app.dialogs.colorAnswers.push_back(chosen);
    app.window->Command4_Click();
    if (focused) {
        app.window->activateWindow();
        swatch->setFocus();
        QTRY_VERIFY(swatch->hasFocus());
    }
    const QImage image = grabbed(swatch);
    QCOMPARE(image.size(), swatch->size());
    const QString differs = faceDiffers(image, chosen);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
    const QRgb border = focused ? swatch->focusBorderColor() : platform::Button::kBorderColor;
    for (QRgb pixel : borderPixels(image))
        QCOMPARE(pixel | 0xFF000000, border | 0xFF000000);
}

void LookTest::saveIsExactlyItsGreen() {
    TestApp app;
    platform::Button* save = app.f().Command2;
    const QImage image = grabbed(save);
    // The caption's glyphs, with a pixel of room for smoothing, are the only
    // place where the face may show another colour.
    const QRect text =
        QFontMetrics(save->font())
            .boundingRect(save->captionRect(), platform::Button::kCaptionFlags, save->text())
            .adjusted(-1, -1, 1, 1);
    const QString differs = faceDiffers(image, 0xFF00C000, text);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
    int green = 0, caption = 0;
    for (int y = text.top(); y <= text.bottom(); ++y) {
        for (int x = text.left(); x <= text.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            pixel == 0xFF00C000 ? ++green : ++caption;
        }
    }
    QVERIFY2(caption > 50, "the caption is not drawn");
    QVERIFY(green > 0);
    for (QRgb pixel : borderPixels(image))
        QCOMPARE(pixel, platform::Button::kBorderColor);
}

void LookTest::focusAndPressStayVisible_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("swatch") << QStringLiteral("Command4");
    QTest::newRow("SAVE") << QStringLiteral("Command2");
    QTest::newRow("Import Tileset") << QStringLiteral("b_open");
}

void LookTest::focusAndPressStayVisible() {
    QFETCH(QString, name);
    TestApp app;
    QVERIFY(app.showWindow());
    auto* button = app.window->findChild<platform::Button*>(name);
    QVERIFY(button);
    // The first button in the tab order takes the focus when the window opens.
    app.window->setFocus();
    QTRY_VERIFY(!button->hasFocus());
    const QImage plain = grabbed(button);

    app.window->activateWindow();
    button->setFocus();
    QTRY_VERIFY(button->hasFocus());
    const QImage focused = grabbed(button);
    QVERIFY2(focused != plain, "the focus does not show");
    QCOMPARE(focused.pixel(0, 0), button->focusBorderColor() | 0xFF000000);
    QVERIFY(button->focusBorderColor() != platform::Button::kBorderColor);

    button->clearFocus();
    button->setDown(true);
    const QImage pressed = grabbed(button);
    button->setDown(false);
    QVERIFY2(pressed != plain, "a press does not show");
    QCOMPARE(pressed.pixel(1, 1), button->pressedColor() | 0xFF000000);
    QVERIFY(button->pressedColor() != button->backColor());
    // Released, the button is drawn as before.
    QCOMPARE(grabbed(button), plain);
}

QTEST_MAIN(LookTest)
#include "tst_look.moc"
