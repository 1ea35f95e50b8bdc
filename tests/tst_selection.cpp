#include "support/imagecheck.h"
#include "support/testapp.h"

#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/form.h"
#include "controls/label.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"
#include "controls/scrollbar.h"
#include "controls/textbox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <functional>
#include <optional>

// The tilesets come in by the paste, which reads no file: the import's own path
// is the view's to test, and a file for every row is most of a row's time.

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

// The image with a one-pixel box through both corners, as far as it lies on the image.
QImage withBox(const QImage& image, const QRect& box, QRgb color) {
    QImage result = image.copy();
    const auto put = [&](int x, int y) {
        if (result.rect().contains(x, y))
            result.setPixel(x, y, color);
    };
    for (int x = box.left(); x <= box.right(); ++x) {
        put(x, box.top());
        put(x, box.bottom());
    }
    for (int y = box.top(); y <= box.bottom(); ++y) {
        put(box.left(), y);
        put(box.right(), y);
    }
    return result;
}

QRect corners(int x1, int y1, int x2, int y2) {
    return QRect(QPoint(x1, y1), QPoint(x2, y2));
}

void press(platform::PictureBox* view, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(view, button, Qt::NoModifier, at);
}

// A move with these buttons held; QTest's own move sends none.
void move(platform::PictureBox* view, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
    QMouseEvent event(QEvent::MouseMove, QPointF(at), view->mapToGlobal(QPointF(at)), Qt::NoButton,
                      held, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &event);
}

void release(platform::PictureBox* view, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseRelease(view, button, Qt::NoModifier, at);
}

// A left-button gesture: the press at the first point, a drag through the others and the
// release at the last.
void gesture(platform::PictureBox* view, const QList<QPoint>& points) {
    press(view, points.front());
    for (qsizetype i = 1; i < points.size(); ++i)
        move(view, points[i]);
    release(view, points.back());
}

// The size option a table names.
enum class Size { Preset16, Preset32, Preset64, Custom };

// The selection mode a table names: Adjustable, or Fixed with a size option,
// the Custom size typed into the boxes, and Snap.
struct Mode {
    bool fixed = false;
    Size size = Size::Preset16;
    QSize custom; // for Size::Custom
    bool snap = false;
};

Mode adjustable() {
    return {};
}

Mode fixed(Size size, bool snap = false) {
    return {true, size, QSize(), snap};
}

Mode custom(QSize size, bool snap = false) {
    return {true, Size::Custom, size, snap};
}

// Chooses the mode with the controls' clicks; false when it is not then in
// force (an unknown size among them).
bool chooseMode(MainForm& f, const Mode& mode) {
    if (!mode.fixed)
        return f.o_adjust->value();
    f.o_fixed->click();
    QSize size;
    switch (mode.size) {
    case Size::Preset16:
        size = QSize(16, 16);
        break;
    case Size::Preset32:
        f.o_32->click();
        size = QSize(32, 32);
        break;
    case Size::Preset64:
        f.o_64->click();
        size = QSize(64, 64);
        break;
    case Size::Custom:
        f.o_custom->click();
        f.trw->setText(QString::number(mode.custom.width()));
        f.trh->setText(QString::number(mode.custom.height()));
        size = mode.custom;
        break;
    }
    if (mode.snap)
        f.c_snap->click();
    return size.isValid() && f.o_fixed->value() && f.c_snap->value() == int(mode.snap) &&
           f.state.tileWidth == size.width() && f.state.tileHeight == size.height();
}

// What a step of a gesture does with the left button, or with the row's buttons.
enum class Event { Press, Drag, Release };

// The two boxes of the Custom size.
enum class Box { Width, Height };

// The option buttons of the Selection rectangle frame and its size frame.
enum class Option { Adjustable, Fixed, Size16, Size32, Size64, Custom };

platform::OptionButton* button(MainForm& f, Option option) {
    switch (option) {
    case Option::Adjustable:
        return f.o_adjust;
    case Option::Fixed:
        return f.o_fixed;
    case Option::Size16:
        return f.o_16;
    case Option::Size32:
        return f.o_32;
    case Option::Size64:
        return f.o_64;
    case Option::Custom:
        return f.o_custom;
    }
    return nullptr;
}

// Clicks the options in turn; false unless each click reached its handler.
bool clickOptions(MainForm& f, const QList<Option>& options,
                  const std::function<void()>& beforeEach = {}) {
    int ran = 0;
    QList<std::pair<platform::OptionButton*, std::function<void()>>> handlers;
    for (Option option : options) {
        platform::OptionButton* b = button(f, option);
        if (!b)
            return false;
        if (std::none_of(handlers.cbegin(), handlers.cend(),
                         [b](const auto& handler) { return handler.first == b; })) {
            handlers.append({b, b->onClick});
            countCalls(b->onClick, ran);
        }
    }
    for (Option option : options) {
        if (beforeEach)
            beforeEach();
        button(f, option)->click();
    }
    for (const auto& [b, handler] : handlers)
        b->onClick = handler;
    return ran == options.size();
}

// One event of a gesture and what the view, Label8 and the Selection view show after it.
struct Step {
    Event event;
    QPoint at;
    QRect outline;                // its corner pixels; null: no outline
    std::optional<QString> label; // none: unchanged
    QRect capture; // after a release, in view pixels; null: the previous capture stays
};

} // namespace

Q_DECLARE_METATYPE(Box)
Q_DECLARE_METATYPE(Option)
Q_DECLARE_METATYPE(Event)
Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(QList<Step>)

class SelectionTest : public QObject {
    Q_OBJECT
private slots:
    void fixedPlacement_data();
    void fixedPlacement();
    void gestures_data();
    void gestures();
    void onlyTheLeftButtonActs_data();
    void onlyTheLeftButtonActs();
    void dragOutsideTheView();
    void pressBeforeAnyImport();
    void scrollWipesOutline();
    void captureAtScrollOffset_data();
    void captureAtScrollOffset();
    void capturePastTheImage_data();
    void capturePastTheImage();
    void captureWindowSize_data();
    void captureWindowSize();
    void sizeBox_data();
    void sizeBox();
    void presets_data();
    void presets();
    void enabledStates_data();
    void enabledStates();
    void fitLowersSize_data();
    void fitLowersSize();
    void colour_data();
    void colour();
    void sizesBelowOne_data();
    void sizesBelowOne();
    void roadOfOneTile();
};

void SelectionTest::fixedPlacement_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("drag");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QRect>("edges"); // left, top, right, bottom as QRect(l, t, r - l, b - t)
    QTest::addColumn<bool>("outline");
    QTest::addColumn<QString>("label"); // after a drag; a press leaves it
    QTest::addColumn<bool>("captures");
    const auto row = [](const char* name, Mode mode, bool drag, QPoint at, QRect edges,
                        bool outline, const char* label, bool captures) {
        QTest::newRow(name) << mode << drag << at << edges << outline << QString::fromLatin1(label)
                            << captures;
    };
    const Mode f16 = fixed(Size::Preset16);
    const Mode f16snap = fixed(Size::Preset16, true);
    const Mode f32 = fixed(Size::Preset32);
    const Mode f32snap = fixed(Size::Preset32, true);
    const Mode f64 = fixed(Size::Preset64);
    const Mode c20x10 = custom(QSize(20, 10));
    const Mode c20x10snap = custom(QSize(20, 10), true);
    const char* w16 = "Width: 16   Height: 16";
    row("press 16 at (40, 20)", f16, false, {40, 20}, {24, 4, 16, 16}, true, "", true);
    row("press 16 snap at (40, 20)", f16snap, false, {40, 20}, {16, 0, 16, 16}, true, "", true);
    row("press 16 at (10, 10)", f16, false, {10, 10}, {-6, -6, 16, 16}, false, "", false);
    row("press 16 snap in the first cell", f16snap, false, {10, 10}, {-16, -16, 16, 16}, false, "",
        false);
    row("press 16 snap, first column", f16snap, false, {15, 40}, {-16, 16, 16, 16}, false, "",
        false);
    row("press 16 snap at (16, 16)", f16snap, false, {16, 16}, {0, 0, 16, 16}, true, "", true);
    row("press 16 snap at (31, 31)", f16snap, false, {31, 31}, {0, 0, 16, 16}, true, "", true);
    row("press 16 snap at (32, 31)", f16snap, false, {32, 31}, {16, 0, 16, 16}, true, "", true);
    row("press 16 snap at (47, 20)", f16snap, false, {47, 20}, {16, 0, 16, 16}, true, "", true);
    row("press 32 snap at (70, 40)", f32snap, false, {70, 40}, {32, 0, 32, 32}, true, "", true);
    row("press 64 at (64, 64)", f64, false, {64, 64}, {0, 0, 64, 64}, true, "", true);
    row("press 64 at (63, 64)", f64, false, {63, 64}, {-1, 0, 64, 64}, false, "", false);
    row("press 16 at the bounds", f16, false, {448, 640}, {432, 624, 16, 16}, true, "", true);
    row("press 16 one past the width", f16, false, {449, 100}, {433, 84, 16, 16}, false, "", false);
    row("press 16 one past the height", f16, false, {100, 641}, {84, 625, 16, 16}, false, "",
        false);
    row("press 20x10 at (100, 50)", c20x10, false, {100, 50}, {80, 40, 20, 10}, true, "", true);
    row("press 20x10 snap at (45, 25)", c20x10snap, false, {45, 25}, {20, 10, 20, 10}, true, "",
        true);
    row("drag 16 to (16, 16)", f16, true, {16, 16}, {0, 0, 16, 16}, true, w16, true);
    row("drag 16 to the width", f16, true, {448, 100}, {432, 84, 16, 16}, true, w16, true);
    row("drag 16 one past the width", f16, true, {449, 100}, {433, 84, 16, 16}, false, "", false);
    row("drag 16 to the height", f16, true, {100, 640}, {84, 624, 16, 16}, true, w16, true);
    row("drag 16 one past the height", f16, true, {100, 641}, {84, 625, 16, 16}, false, "", false);
    row("drag 16 snap to (47, 20)", f16snap, true, {47, 20}, {16, 0, 16, 16}, true, w16, true);
    row("drag 16 snap to the width", f16snap, true, {448, 20}, {432, 0, 16, 16}, true, w16, true);
    // The drag bounds the pointer, the release the snapped rectangle.
    row("drag 16 snap one past the width", f16snap, true, {449, 20}, {432, 0, 16, 16}, false, "",
        true);
    row("drag 32 left of the view", f32, true, {-5, 40}, {-37, 8, 32, 32}, false, "", false);
    row("drag 32 snap to (100, 70)", f32snap, true, {100, 70}, {64, 32, 32, 32}, true,
        "Width: 32   Height: 32", true);
    row("drag 20x10 to (25, 12)", c20x10, true, {25, 12}, {5, 2, 20, 10}, true,
        "Width: 20   Height: 10", true);
}

void SelectionTest::fixedPlacement() {
    QFETCH(Mode, mode);
    QFETCH(bool, drag);
    QFETCH(QPoint, at);
    QFETCH(QRect, edges);
    QFETCH(bool, outline);
    QFETCH(QString, label);
    QFETCH(bool, captures);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, mode));
    const QString before = QStringLiteral("before");
    f.Label8->setCaption(before);

    if (drag) {
        press(f.pics, {300, 300});
        move(f.pics, at);
    } else {
        press(f.pics, at);
    }
    const AppState& s = f.state;
    QCOMPARE(s.selLeft, double(edges.x()));
    QCOMPARE(s.selTop, double(edges.y()));
    QCOMPARE(s.selRight, double(edges.x() + edges.width()));
    QCOMPARE(s.selBottom, double(edges.y() + edges.height()));
    QCOMPARE(f.Label8->caption(), drag ? label : before);

    // The outline is on the screen only, one pixel outside the selection on every side but
    // the right and bottom, where it lies one further.
    VERIFY_PATTERN(f.pics->image(), 0, 0);
    const QRect box = corners(edges.left() - 1, edges.top() - 1, edges.x() + edges.width() + 1,
                              edges.y() + edges.height() + 1);
    const QImage screen = outline ? withBox(f.pics->image(), box, kWhite) : f.pics->image();
    VERIFY_SAME(painted(f.pics), screen);
    VERIFY_SAME(painted(f.pics), screen);

    release(f.pics, at);
    if (captures) {
        QCOMPARE(f.pict->size(), edges.size());
        VERIFY_PATTERN(f.pict->image(), edges.x(), edges.y());
    } else {
        QCOMPARE(f.pict->size(), QSize(32, 32));
        VERIFY_SAME(f.pict->image(), backgroundImage(32, 32));
    }
    // The release leaves the screen as it was.
    VERIFY_SAME(painted(f.pics), screen);
}

void SelectionTest::gestures_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QList<Step>>("steps");
    constexpr Event p = Event::Press;
    constexpr Event d = Event::Drag;
    constexpr Event r = Event::Release;
    const QString w1 = QStringLiteral("Width: 1   Height: 20");
    const QString w40 = QStringLiteral("Width: 40   Height: 20");
    const QString w16 = QStringLiteral("Width: 16   Height: 16");
    const std::optional<QString> same; // Label8 unchanged
    QTest::newRow("adjustable, one pixel wide")
        << adjustable()
        << QList<Step>{{p, {10, 10}, {}, same, {}},
                       {d, {10, 30}, {}, "", {}},
                       {d, {11, 30}, corners(9, 9, 12, 31), w1, {}},
                       {r, {11, 30}, corners(9, 9, 12, 31), w1, {10, 10, 1, 20}}};
    QTest::newRow("adjustable, 40 x 20")
        << adjustable()
        << QList<Step>{{p, {10, 10}, {}, same, {}},
                       {d, {50, 30}, corners(9, 9, 51, 31), w40, {}},
                       {r, {50, 30}, corners(9, 9, 51, 31), w40, {10, 10, 40, 20}}};
    QTest::newRow("adjustable, back level with the press point")
        << adjustable()
        << QList<Step>{{p, {10, 10}, {}, same, {}},
                       {d, {50, 30}, corners(9, 9, 51, 31), w40, {}},
                       {d, {50, 10}, {}, "", {}},
                       {r, {50, 10}, {}, "", {}}};
    QTest::newRow("adjustable, left of the press point")
        << adjustable()
        << QList<Step>{{p, {100, 100}, {}, same, {}},
                       {d, {50, 150}, {}, "", {}},
                       {r, {50, 150}, {}, "", {}}};
    QTest::newRow("adjustable, out of the view to the left")
        << adjustable()
        << QList<Step>{{p, {10, 10}, {}, same, {}},
                       {d, {30, 30}, corners(9, 9, 31, 31), "Width: 20   Height: 20", {}},
                       {d, {-5, 30}, {}, "", {}},
                       {r, {-5, 30}, {}, "", {}}};
    QTest::newRow("adjustable, at the bounds and one past")
        << adjustable()
        << QList<Step>{{p, {400, 600}, {}, same, {}},
                       {d, {448, 640}, corners(399, 599, 449, 641), "Width: 48   Height: 40", {}},
                       {d, {449, 640}, {}, "", {}},
                       {r, {449, 640}, {}, "", {}},
                       {p, {400, 600}, {}, "", {}},
                       {d, {448, 640}, corners(399, 599, 449, 641), "Width: 48   Height: 40", {}},
                       {r, {448, 640}, corners(399, 599, 449, 641), same, {400, 600, 48, 40}}};
    // Before any drag the right and bottom edges count as 0.
    QTest::newRow("adjustable, first press released at once")
        << adjustable() << QList<Step>{{p, {5, 5}, {}, same, {}}, {r, {5, 5}, {}, same, {}}};
    // A press alone moves the top-left corner and keeps the previous right and bottom edges.
    QTest::newRow("adjustable, press without a drag")
        << adjustable()
        << QList<Step>{{p, {10, 10}, {}, same, {}},
                       {d, {50, 30}, corners(9, 9, 51, 31), w40, {}},
                       {r, {50, 30}, corners(9, 9, 51, 31), w40, {10, 10, 40, 20}},
                       {p, {20, 15}, {}, same, {}},
                       {r, {20, 15}, {}, w40, {20, 15, 30, 15}},
                       {p, {60, 10}, {}, same, {}},
                       {r, {60, 10}, {}, w40, {}}};
    QTest::newRow("fixed 16, from (10, 10) to (16, 16)")
        << fixed(Size::Preset16)
        << QList<Step>{{p, {10, 10}, {}, same, {}},
                       {d, {16, 16}, corners(-1, -1, 17, 17), w16, {}},
                       {r, {16, 16}, corners(-1, -1, 17, 17), w16, {0, 0, 16, 16}}};
    QTest::newRow("fixed 16, a click")
        << fixed(Size::Preset16)
        << QList<Step>{{p, {40, 20}, corners(23, 3, 41, 21), same, {}},
                       {r, {40, 20}, corners(23, 3, 41, 21), same, {24, 4, 16, 16}}};
    QTest::newRow("fixed 16 snap, drag to (47, 20)")
        << fixed(Size::Preset16, true)
        << QList<Step>{{p, {10, 10}, {}, same, {}},
                       {d, {47, 20}, corners(15, -1, 33, 17), w16, {}},
                       {r, {47, 20}, corners(15, -1, 33, 17), w16, {16, 0, 16, 16}}};
    QTest::newRow("fixed 16 snap, pointer past the width")
        << fixed(Size::Preset16, true)
        << QList<Step>{{p, {100, 20}, corners(79, -1, 97, 17), same, {}},
                       {d, {449, 20}, {}, "", {}},
                       {r, {449, 20}, {}, "", {432, 0, 16, 16}}};
}

void SelectionTest::gestures() {
    QFETCH(Mode, mode);
    QFETCH(QList<Step>, steps);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, mode));
    // Each step must reach its own handler, and only it.
    int counts[3] = {0, 0, 0};
    countCalls(f.pics->onMouseDown, counts[0]);
    countCalls(f.pics->onMouseMove, counts[1]);
    countCalls(f.pics->onMouseUp, counts[2]);
    int expected[3] = {0, 0, 0};
    const QString start = QStringLiteral("start");
    f.Label8->setCaption(start);
    QString label = start;
    QRect captured;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const QByteArray where = "step " + QByteArray::number(i);
        switch (step.event) {
        case Event::Press:
            press(f.pics, step.at);
            ++expected[0];
            break;
        case Event::Drag:
            move(f.pics, step.at);
            ++expected[1];
            break;
        case Event::Release:
            release(f.pics, step.at);
            ++expected[2];
            break;
        }
        QVERIFY2(expected[0] + expected[1] + expected[2] == i + 1, where + ": unknown event");
        QVERIFY2(std::equal(counts, counts + 3, expected), where + ": not its handler");
        if (step.label)
            label = *step.label;
        QVERIFY2(f.Label8->caption() == label, where + ": " + f.Label8->caption().toUtf8());
        VERIFY_PATTERN(f.pics->image(), 0, 0);
        const QImage screen = step.outline.isNull()
                                  ? f.pics->image()
                                  : withBox(f.pics->image(), step.outline, kWhite);
        const QString diff = firstDifference(painted(f.pics), screen);
        QVERIFY2(diff.isEmpty(), where + ": " + diff.toUtf8());
        if (!step.capture.isNull())
            captured = step.capture;
        if (captured.isNull()) {
            QVERIFY2(f.pict->size() == QSize(32, 32), where);
            VERIFY_SAME(f.pict->image(), backgroundImage(32, 32));
        } else {
            QVERIFY2(f.pict->size() == captured.size(), where);
            VERIFY_PATTERN(f.pict->image(), captured.x(), captured.y());
        }
    }
}

void SelectionTest::onlyTheLeftButtonActs_data() {
    QTest::addColumn<Event>("event");
    QTest::addColumn<Qt::MouseButtons>("buttons"); // pressed or released; held in a drag
    QTest::addColumn<int>("heard");                // runs of the view's handler
    const auto row = [](const char* name, Event event, Qt::MouseButtons buttons, int heard = 1) {
        QTest::newRow(name) << event << buttons << heard;
    };
    row("right press", Event::Press, Qt::RightButton);
    row("middle press", Event::Press, Qt::MiddleButton);
    row("right drag", Event::Drag, Qt::RightButton);
    // Without a button held a move reaches a view only when it tracks the mouse, which this
    // one has no need to.
    row("move without a button", Event::Drag, Qt::NoButton, 0);
    row("left and right held", Event::Drag, Qt::LeftButton | Qt::RightButton);
    row("left and middle held", Event::Drag, Qt::LeftButton | Qt::MiddleButton);
    row("right release", Event::Release, Qt::RightButton);
    row("middle release", Event::Release, Qt::MiddleButton);
}

void SelectionTest::onlyTheLeftButtonActs() {
    QFETCH(Event, event);
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(int, heard);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, fixed(Size::Preset16)));
    // A capture at (44, 24), then a drag still held that would capture (184, 184).
    gesture(f.pics, {{40, 20}, {60, 40}});
    press(f.pics, {100, 100});
    move(f.pics, {200, 200});
    const QImage screen = painted(f.pics);
    QVERIFY(screen != f.pics->image());
    const QImage capture = f.pict->image();
    const QString label = f.Label8->caption();
    QCOMPARE(label, QStringLiteral("Width: 16   Height: 16"));

    int ran = 0;
    const QPoint at(300, 300);
    const auto single = Qt::MouseButton(buttons.toInt());
    switch (event) {
    case Event::Press:
        countCalls(f.pics->onMouseDown, ran);
        press(f.pics, at, single);
        break;
    case Event::Drag:
        countCalls(f.pics->onMouseMove, ran);
        move(f.pics, at, buttons);
        break;
    case Event::Release:
        countCalls(f.pics->onMouseUp, ran);
        release(f.pics, at, single);
        break;
    }
    // The handler hears of the event, and does nothing with it.
    QCOMPARE(ran, heard);
    QCOMPARE(f.state.selLeft, 184.0);
    QCOMPARE(f.state.selTop, 184.0);
    QCOMPARE(f.state.selRight, 200.0);
    QCOMPARE(f.state.selBottom, 200.0);
    QCOMPARE(f.Label8->caption(), label);
    VERIFY_SAME(painted(f.pics), screen);
    VERIFY_SAME(f.pict->image(), capture);
    VERIFY_PATTERN(f.pict->image(), 44, 24);
}

void SelectionTest::dragOutsideTheView() {
    TestApp app;
    MainForm& f = app.f();
    // A view smaller than its largest size: the bounds reach past it.
    app.pasteImage(patternImage(300, 200));
    QVERIFY(chooseMode(f, fixed(Size::Preset16)));
    app.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(app.window.get()));
    QWindow* window = app.window->windowHandle();
    const auto at = [&](int x, int y) { return f.pics->mapTo(app.window.get(), QPoint(x, y)); };

    // Through the window system, so that the view keeps the gesture while the pointer is
    // elsewhere in the window.
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at(40, 20));
    QCOMPARE(f.state.selLeft, 24.0);
    QTest::mouseMove(window, at(60, 40));
    QCOMPARE(f.Label8->caption(), QStringLiteral("Width: 16   Height: 16"));
    QTest::mouseMove(window, at(-5, 30));
    QCOMPARE(f.state.selLeft, -21.0);
    QCOMPARE(f.state.selTop, 14.0);
    QCOMPARE(f.Label8->caption(), QString());
    VERIFY_SAME(painted(f.pics), f.pics->image());
    QTest::mouseMove(window, at(500, 50));
    QCOMPARE(f.state.selLeft, 484.0);
    QCOMPARE(f.Label8->caption(), QString());
    // Right of the view but within the bounds.
    QTest::mouseMove(window, at(310, 100));
    QCOMPARE(f.state.selLeft, 294.0);
    QCOMPARE(f.Label8->caption(), QStringLiteral("Width: 16   Height: 16"));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at(310, 100));
    QCOMPARE(f.pict->size(), QSize(16, 16));
    VERIFY_SAME(f.pict->image(), patternOnBackground(QSize(300, 200), QRect(294, 84, 16, 16)));
}

void SelectionTest::pressBeforeAnyImport() {
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(chooseMode(f, fixed(Size::Preset16)));
    press(f.pics, {40, 20});
    QVERIFY(app.dialogs.messages.isEmpty());
    VERIFY_SAME(f.pics->image(), backgroundImage(448, 640));
    VERIFY_SAME(painted(f.pics),
                withBox(backgroundImage(448, 640), corners(23, 3, 41, 21), kWhite));
    release(f.pics, {40, 20});
    QCOMPARE(f.pict->size(), QSize(16, 16));
    VERIFY_SAME(f.pict->image(), backgroundImage(16, 16));
}

void SelectionTest::scrollWipesOutline() {
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, fixed(Size::Preset16)));
    press(f.pics, {40, 20});
    QVERIFY(painted(f.pics) != f.pics->image());
    // The wheel over a scroll bar reaches it while the button is still held on the view.
    QWheelEvent wheel(QPointF(5, 5), f.HScroll1->mapToGlobal(QPointF(5, 5)), QPoint(),
                      QPoint(0, -120), Qt::LeftButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(f.HScroll1, &wheel);
    const int offset = f.HScroll1->value();
    QVERIFY(offset > 0);
    VERIFY_PATTERN(f.pics->image(), offset, 0);
    VERIFY_SAME(painted(f.pics), f.pics->image());
    // The drag that follows draws on the new view, and on the screen only.
    move(f.pics, {60, 40});
    move(f.pics, {70, 50});
    VERIFY_PATTERN(f.pics->image(), offset, 0);
    VERIFY_SAME(painted(f.pics), withBox(f.pics->image(), corners(53, 33, 71, 51), kWhite));
    release(f.pics, {70, 50});
    VERIFY_PATTERN(f.pict->image(), 54 + offset, 34);
}

void SelectionTest::captureAtScrollOffset_data() {
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QList<QPoint>>("points"); // press, drags
    QTest::addColumn<QRect>("selection");      // view pixels
    QTest::newRow("top left, fixed 32")
        << QPoint(0, 0) << fixed(Size::Preset32) << QList<QPoint>{{70, 40}} << QRect(38, 8, 32, 32);
    QTest::newRow("scrolled, fixed 32") << QPoint(100, 37) << fixed(Size::Preset32)
                                        << QList<QPoint>{{70, 40}} << QRect(38, 8, 32, 32);
    QTest::newRow("scrolled, snapped 64")
        << QPoint(123, 45) << fixed(Size::Preset64, true) << QList<QPoint>{{10, 10}, {200, 150}}
        << QRect(128, 64, 64, 64);
    QTest::newRow("at the far corner, adjustable")
        << QPoint(552, 360) << adjustable() << QList<QPoint>{{300, 500}, {448, 640}}
        << QRect(300, 500, 148, 140);
}

void SelectionTest::captureAtScrollOffset() {
    QFETCH(QPoint, offset);
    QFETCH(Mode, mode);
    QFETCH(QList<QPoint>, points);
    QFETCH(QRect, selection);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, mode));
    f.HScroll1->setValue(offset.x());
    f.VScroll1->setValue(offset.y());
    gesture(f.pics, points);
    QCOMPARE(f.pict->size(), selection.size());
    VERIFY_PATTERN(f.pict->image(), selection.x() + offset.x(), selection.y() + offset.y());
}

void SelectionTest::capturePastTheImage_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QRect>("selection");
    QTest::newRow("fixed 16 over the corner")
        << fixed(Size::Preset16) << QList<QPoint>{{110, 90}} << QRect(94, 74, 16, 16);
    QTest::newRow("adjustable over the corner")
        << adjustable() << QList<QPoint>{{90, 70}, {120, 100}} << QRect(90, 70, 30, 30);
    QTest::newRow("fixed 64 wholly past the image")
        << fixed(Size::Preset64) << QList<QPoint>{{448, 640}} << QRect(384, 576, 64, 64);
}

void SelectionTest::capturePastTheImage() {
    QFETCH(Mode, mode);
    QFETCH(QList<QPoint>, points);
    QFETCH(QRect, selection);
    TestApp app;
    MainForm& f = app.f();
    // A tileset smaller than the view: the selection may still reach the largest view size.
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, mode));
    app.pasteImage(patternImage(100, 80));
    gesture(f.pics, points);
    QCOMPARE(f.pict->size(), selection.size());
    VERIFY_SAME(f.pict->image(), patternOnBackground(QSize(100, 80), selection));
}

void SelectionTest::captureWindowSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("16 x 16") << QSize(16, 16);
    QTest::newRow("1 x 20") << QSize(1, 20);
    QTest::newRow("40 x 20") << QSize(40, 20);
    QTest::newRow("5 x 300") << QSize(5, 300);
    QTest::newRow("the whole view") << QSize(448, 640);
}

void SelectionTest::captureWindowSize() {
    QFETCH(QSize, size);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, custom(size)));
    QCOMPARE(f.state.tileWidth, double(size.width()));
    QCOMPARE(f.state.tileHeight, double(size.height()));
    const QPoint at(448, 640);
    press(f.pics, at);
    release(f.pics, at);
    QCOMPARE(f.frm_pict->outerWidth(), size.width() * 15.0 + 150);
    QCOMPARE(f.frm_pict->outerHeight(), size.height() * 15.0 + 360);
    QCOMPARE(f.frm_pict->size(), size);
    QCOMPARE(f.pict->geometry(), QRect(QPoint(0, 0), size));
    QCOMPARE(f.pict->image().size(), size);
    VERIFY_PATTERN(f.pict->image(), 448 - size.width(), 640 - size.height());
}

void SelectionTest::sizeBox_data() {
    QTest::addColumn<Box>("box");
    QTest::addColumn<QSize>("picture");       // sets the maxima
    QTest::addColumn<QString>("start");       // the size in force, written by the program
    QTest::addColumn<QString>("clipboard");   // put there first; null: left alone
    QTest::addColumn<QTestEventList>("keys"); // typed into the box
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("size");
    const QSize big(1000, 1000);
    const auto row = [](const char* name, Box box, QSize picture, const QString& start,
                        const QString& clipboard, const QTestEventList& keys, const QString& text,
                        double size) {
        QTest::newRow(name) << box << picture << start << clipboard << keys << text << size;
    };
    // Key sequences: at the end of the text, or over the whole text selected.
    const auto atEnd = [](const QString& typed) {
        QTestEventList keys;
        keys.addKeyClick(Qt::Key_End);
        keys.addKeyClicks(typed);
        return keys;
    };
    const auto overAll = [](const QString& typed) {
        QTestEventList keys;
        keys.addKeyClick(Qt::Key_A, Qt::ControlModifier);
        keys.addKeyClicks(typed);
        return keys;
    };
    QTestEventList pasteOverAll;
    pasteOverAll.addKeyClick(Qt::Key_A, Qt::ControlModifier);
    pasteOverAll.addKeyClick(Qt::Key_V, Qt::ControlModifier);
    QTestEventList backspaceAtEnd;
    backspaceAtEnd.addKeyClick(Qt::Key_End);
    backspaceAtEnd.addKeyClick(Qt::Key_Backspace);
    const QString none;
    const Box w = Box::Width;
    const Box h = Box::Height;
    row("12a", w, big, "12", none, atEnd("a"), "12", 12.0);
    row("1,5 pasted", w, big, "12", "1,5", pasteOverAll, "12", 12.0);
    row("1.5 pasted", w, big, "12", "1.5", pasteOverAll, "12", 12.0);
    // Key by key the comma alone is refused, and the 5 then follows the 1.
    row("1,5 typed", w, big, "12", none, overAll("1,5"), "15", 15.0);
    row("deleting to empty", w, big, "7", none, backspaceAtEnd, "7", 7.0);
    row("448 at a maximum of 448", w, big, "16", "448", pasteOverAll, "448", 448.0);
    row("449 at a maximum of 448", w, big, "16", "449", pasteOverAll, "16", 16.0);
    row("typing 3 then 2", w, big, "16", none, overAll("32"), "32", 32.0);
    row("typing 3 then 2, maximum 30", w, QSize(30, 100), "16", none, overAll("32"), "3", 3.0);
    row("height 640", h, big, "16", "640", pasteOverAll, "640", 640.0);
    row("height 641", h, big, "16", "641", pasteOverAll, "16", 16.0);
    row("height over a maximum of 300", h, QSize(1000, 300), "16", "301", pasteOverAll, "16", 16.0);
    row("zero", w, big, "16", "0", pasteOverAll, "0", 0.0);
    row("negative", w, big, "16", "-5", pasteOverAll, "-5", -5.0);
    row("blank before", w, big, "16", " 20", pasteOverAll, " 20", 20.0);
    row("lone sign", w, big, "16", "-", pasteOverAll, "16", 16.0);
    row("letters", h, big, "16", "abc", pasteOverAll, "16", 16.0);
    // A size of 0 falls back to the empty text, itself refused: the box stays empty.
    row("fall-back refused", w, big, "0", "x", pasteOverAll, "", 0.0);
}

void SelectionTest::sizeBox() {
    QFETCH(Box, box);
    QFETCH(QSize, picture);
    QFETCH(QString, start);
    QFETCH(QString, clipboard);
    QFETCH(QTestEventList, keys);
    QFETCH(QString, text);
    QFETCH(double, size);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(picture.width(), picture.height()));
    QVERIFY(chooseMode(f, custom(QSize(16, 16))));
    platform::TextBox* editBox = nullptr;
    platform::TextBox* otherBox = nullptr;
    const double* field = nullptr;
    switch (box) {
    case Box::Width:
        editBox = f.trw;
        otherBox = f.trh;
        field = &f.state.tileWidth;
        break;
    case Box::Height:
        editBox = f.trh;
        otherBox = f.trw;
        field = &f.state.tileHeight;
        break;
    }
    QVERIFY2(editBox, "unknown box");
    editBox->setText(start);
    QCOMPARE(*field, start.toDouble());
    QVERIFY(editBox->isEnabled());

    if (!clipboard.isNull())
        QGuiApplication::clipboard()->setText(clipboard);
    int changes = 0;
    countCalls(editBox->onChange, changes);
    editBox->setFocus();
    keys.simulate(editBox);
    QVERIFY2(changes > 0, "the keys never reached the box");
    QCOMPARE(editBox->text(), text);
    QCOMPARE(*field, size);
    // The other box is not touched.
    QCOMPARE(otherBox->text(), QStringLiteral("16"));
    QVERIFY(app.dialogs.messages.isEmpty());
}

void SelectionTest::presets_data() {
    QTest::addColumn<QSize>("picture"); // empty: none imported
    QTest::addColumn<QSize>("boxes");   // the Custom size typed before
    QTest::addColumn<Option>("preset");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<QSize>("size");
    const auto row = [](const char* name, QSize picture, QSize boxes, Option preset,
                        const QString& message, QSize size) {
        QTest::newRow(name) << picture << boxes << preset << message << size;
    };
    row("16 before any import", QSize(), QSize(16, 16), Option::Size16, "", QSize(16, 16));
    row("32 before any import", QSize(), QSize(16, 16), Option::Size32, "Max: 16 X 16",
        QSize(16, 16));
    row("64 before any import", QSize(), QSize(16, 16), Option::Size64, "Max: 16 X 16",
        QSize(16, 16));
    row("32 at 40 x 100", QSize(40, 100), QSize(20, 30), Option::Size32, "", QSize(32, 32));
    row("64 at 40 x 100", QSize(40, 100), QSize(20, 30), Option::Size64, "Max: 40 X 100",
        QSize(20, 30));
    row("64 at 100 x 40", QSize(100, 40), QSize(20, 30), Option::Size64, "Max: 100 X 40",
        QSize(20, 30));
    row("32 at 32 x 32", QSize(32, 32), QSize(20, 30), Option::Size32, "", QSize(32, 32));
    row("64 at 32 x 32", QSize(32, 32), QSize(20, 30), Option::Size64, "Max: 32 X 32",
        QSize(20, 30));
    row("64 at 64 x 64", QSize(64, 64), QSize(20, 30), Option::Size64, "", QSize(64, 64));
    row("64 at a full view", QSize(1000, 1000), QSize(20, 30), Option::Size64, "", QSize(64, 64));
}

void SelectionTest::presets() {
    QFETCH(QSize, picture);
    QFETCH(QSize, boxes);
    QFETCH(Option, preset);
    QFETCH(QString, message);
    QFETCH(QSize, size);
    TestApp app;
    MainForm& f = app.f();
    if (picture.isValid())
        app.pasteImage(patternImage(picture.width(), picture.height()));
    QVERIFY(chooseMode(f, custom(boxes)));
    QVERIFY(f.o_custom->value());
    platform::OptionButton* option = button(f, preset);
    QVERIFY(option);
    int ran = 0;
    countCalls(option->onClick, ran);
    QTest::mouseClick(option, Qt::LeftButton);
    QCOMPARE(ran, 1);
    const bool accepted = message.isEmpty();
    QCOMPARE(app.dialogs.messages, accepted ? QStringList() : QStringList{message});
    QCOMPARE(option->value(), accepted);
    QCOMPARE(f.o_custom->value(), !accepted);
    QCOMPARE(f.trw->isEnabled(), !accepted);
    QCOMPARE(f.trh->isEnabled(), !accepted);
    QCOMPARE(f.state.tileWidth, double(size.width()));
    QCOMPARE(f.state.tileHeight, double(size.height()));
    // The Custom size stays in the boxes.
    QCOMPARE(f.trw->text(), QString::number(boxes.width()));
    QCOMPARE(f.trh->text(), QString::number(boxes.height()));
}

void SelectionTest::enabledStates_data() {
    QTest::addColumn<QList<Option>>("clicks");
    QTest::addColumn<bool>("sizes"); // the four size options and Snap
    QTest::addColumn<bool>("boxes");
    QTest::addColumn<Option>("selected");
    QTest::addColumn<QString>("label8");
    const auto row = [](const char* name, const QList<Option>& clicks, bool sizes, bool boxes,
                        Option selected, const QString& label8) {
        QTest::newRow(name) << clicks << sizes << boxes << selected << label8;
    };
    using enum Option;
    row("start", {}, false, false, Size16, "kept");
    row("fixed", {Fixed}, true, false, Size16, "");
    row("fixed, custom", {Fixed, Custom}, true, true, Custom, "kept");
    row("fixed, custom, adjustable", {Fixed, Custom, Adjustable}, false, false, Custom, "kept");
    row("custom kept into fixed", {Fixed, Custom, Adjustable, Fixed}, true, true, Custom, "");
    row("32 kept into fixed", {Fixed, Size32, Adjustable, Fixed}, true, false, Size32, "");
    row("custom, then 32", {Fixed, Custom, Size32}, true, false, Size32, "kept");
}

void SelectionTest::enabledStates() {
    QFETCH(QList<Option>, clicks);
    QFETCH(bool, sizes);
    QFETCH(bool, boxes);
    QFETCH(Option, selected);
    QFETCH(QString, label8);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    f.c_snap->setValue(1);
    f.Label8->setCaption(QStringLiteral("kept"));
    QVERIFY(clickOptions(f, clicks, [&] { f.Label8->setCaption(QStringLiteral("kept")); }));
    for (QWidget* w : std::initializer_list<QWidget*>{f.o_16, f.o_32, f.o_64, f.o_custom, f.c_snap})
        QVERIFY2(w->isEnabled() == sizes, qPrintable(w->objectName()));
    QCOMPARE(f.trw->isEnabled(), boxes);
    QCOMPARE(f.trh->isEnabled(), boxes);
    QVERIFY(f.o_adjust->isEnabled());
    QVERIFY(f.o_fixed->isEnabled());
    QVERIFY(button(f, selected) && button(f, selected)->value());
    QCOMPARE(f.c_snap->value(), 1);
    QCOMPARE(f.Label8->caption(), label8);
}

void SelectionTest::fitLowersSize_data() {
    QTest::addColumn<QList<Option>>("clicks");
    QTest::addColumn<QSize>("boxes"); // typed first, at a large maximum; empty: none
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("trw");
    QTest::addColumn<QString>("trh");
    QTest::addColumn<int>("trwChanges");
    QTest::addColumn<int>("trhChanges");
    const auto row = [](const char* name, const QList<Option>& clicks, QSize boxes, QSize picture,
                        QSize size, const QString& trw, const QString& trh, int trwChanges,
                        int trhChanges) {
        QTest::newRow(name) << clicks << boxes << picture << size << trw << trh << trwChanges
                            << trhChanges;
    };
    using enum Option;
    row("64, then adjustable", {Fixed, Size64, Adjustable}, QSize(), QSize(40, 40), QSize(40, 40),
        "40", "40", 1, 1);
    row("64, one direction", {Fixed, Size64}, QSize(), QSize(40, 100), QSize(40, 64), "40", "16", 1,
        0);
    row("custom 100 x 20", {Fixed, Custom}, QSize(100, 20), QSize(40, 30), QSize(40, 20), "40",
        "20", 1, 0);
    row("equal to the maximum", {Fixed, Size32}, QSize(), QSize(32, 32), QSize(32, 32), "16", "16",
        0, 0);
    row("16 in adjustable mode", {}, QSize(), QSize(40, 30), QSize(16, 16), "16", "16", 0, 0);
}

void SelectionTest::fitLowersSize() {
    QFETCH(QList<Option>, clicks);
    QFETCH(QSize, boxes);
    QFETCH(QSize, picture);
    QFETCH(QSize, size);
    QFETCH(QString, trw);
    QFETCH(QString, trh);
    QFETCH(int, trwChanges);
    QFETCH(int, trhChanges);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(clickOptions(f, clicks));
    if (boxes.isValid()) {
        f.trw->setText(QString::number(boxes.width()));
        f.trh->setText(QString::number(boxes.height()));
    }
    int widthChanges = 0;
    int heightChanges = 0;
    countCalls(f.trw->onChange, widthChanges);
    countCalls(f.trh->onChange, heightChanges);
    app.importImage(patternImage(picture.width(), picture.height()));
    QCOMPARE(f.state.tileWidth, double(size.width()));
    QCOMPARE(f.state.tileHeight, double(size.height()));
    QCOMPARE(f.trw->text(), trw);
    QCOMPARE(f.trh->text(), trh);
    QCOMPARE(widthChanges, trwChanges);
    QCOMPARE(heightChanges, trhChanges);
    QCOMPARE(f.Label3->caption(),
             QStringLiteral("Max: %1 X %2").arg(picture.width()).arg(picture.height()));

    // The preset stays selected although the size in force is now the lowered one.
    if (clicks.value(1) == Option::Size64) {
        f.o_fixed->click();
        QVERIFY(f.o_64->value());
        QCOMPARE(f.state.tileWidth, double(size.width()));
    }
}

void SelectionTest::colour_data() {
    QTest::addColumn<bool>("chosen");
    QTest::newRow("chosen") << true;
    QTest::newRow("cancelled") << false;
}

void SelectionTest::colour() {
    QFETCH(bool, chosen);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, fixed(Size::Preset16)));
    press(f.pics, {40, 20});
    const QImage before = painted(f.pics);
    const QRgb red = 0xFFC02040;
    if (chosen)
        app.dialogs.colorAnswers.push_back(red);
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    const QRgb now = chosen ? red : kWhite;
    QCOMPARE(f.Command4->backColor() & 0xFFFFFF, now & 0xFFFFFF);
    QCOMPARE(f.pics->foreColor() & 0xFFFFFF, now & 0xFFFFFF);
    QVERIFY(app.dialogs.messages.isEmpty());
    // The outline on the screen keeps its colour; the next one takes the new colour.
    VERIFY_SAME(painted(f.pics), before);
    move(f.pics, {60, 40});
    VERIFY_SAME(painted(f.pics), withBox(f.pics->image(), corners(43, 23, 61, 41), now));
}

void SelectionTest::sizesBelowOne_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<bool>("snap");
    const auto row = [](const char* name, const QString& width, const QString& height, bool snap) {
        QTest::newRow(name) << width << height << snap;
    };
    row("0 x 16", "0", "16", false);
    row("0 x 16 snap", "0", "16", true);
    row("16 x 0 snap", "16", "0", true);
    row("-5 x 16", "-5", "16", false);
    row("16 x -5", "16", "-5", false);
    row("-5 x -5 snap", "-5", "-5", true);
    row("0 x 0 snap", "0", "0", true);
}

void SelectionTest::sizesBelowOne() {
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(bool, snap);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 1000));
    QVERIFY(chooseMode(f, custom(QSize(16, 16), snap)));
    gesture(f.pics, {{40, 40}, {90, 90}});
    const QString label = QStringLiteral("Width: 16   Height: 16");
    QCOMPARE(f.Label8->caption(), label);
    const QRect first = snap ? QRect(64, 64, 16, 16) : QRect(74, 74, 16, 16);
    QCOMPARE(f.pict->size(), first.size());

    f.trw->setText(width);
    f.trh->setText(height);
    QCOMPARE(f.state.tileWidth, width.toDouble());
    QCOMPARE(f.state.tileHeight, height.toDouble());
    for (const QPoint at : {QPoint(100, 100), QPoint(0, 0), QPoint(5, 700)}) {
        press(f.pics, at);
        VERIFY_SAME(painted(f.pics), f.pics->image());
        QCOMPARE(f.Label8->caption(), label);
        move(f.pics, at + QPoint(20, 20));
        VERIFY_SAME(painted(f.pics), f.pics->image());
        QCOMPARE(f.Label8->caption(), QString());
        release(f.pics, at + QPoint(20, 20));
        QCOMPARE(f.pict->size(), first.size());
        QCOMPARE(f.frm_pict->size(), first.size());
        VERIFY_PATTERN(f.pict->image(), first.x(), first.y());
        f.Label8->setCaption(label);
    }
}

void SelectionTest::roadOfOneTile() {
    TestApp app;
    MainForm& f = app.f();
    // 1 and 2: the import and the fit.
    app.importImage(patternImage(1000, 300), QStringLiteral("tileset.bmp"));
    QCOMPARE(f.pics->size(), QSize(448, 300));
    QVERIFY(f.HScroll1->isVisibleTo(app.window.get()));
    QVERIFY(!f.VScroll1->isVisibleTo(app.window.get()));
    QCOMPARE(f.HScroll1->max(), 552);
    QCOMPARE(f.Label3->caption(), QStringLiteral("Max: 448 X 300"));
    VERIFY_PATTERN(f.pics->image(), 0, 0);
    // 3: Fixed, 32X32, Snap, by the mouse.
    QTest::mouseClick(f.o_fixed, Qt::LeftButton);
    QTest::mouseClick(f.o_32, Qt::LeftButton);
    QTest::mouseClick(f.c_snap, Qt::LeftButton);
    QVERIFY(f.o_fixed->value());
    QVERIFY(f.o_32->value());
    QCOMPARE(f.c_snap->value(), 1);
    QCOMPARE(f.state.tileWidth, 32.0);
    QCOMPARE(f.state.tileHeight, 32.0);
    // 4: the press at (70, 40).
    press(f.pics, {70, 40});
    QCOMPARE(f.state.selLeft, 32.0);
    QCOMPARE(f.state.selTop, 0.0);
    QCOMPARE(f.state.selRight, 64.0);
    QCOMPARE(f.state.selBottom, 32.0);
    VERIFY_SAME(painted(f.pics), withBox(f.pics->image(), corners(31, -1, 65, 33), kWhite));
    // 5: the release.
    release(f.pics, {70, 40});
    QCOMPARE(f.pict->size(), QSize(32, 32));
    QCOMPARE(f.frm_pict->size(), QSize(32, 32));
    VERIFY_PATTERN(f.pict->image(), 32, 0);
}

QTEST_MAIN(SelectionTest)
#include "tst_selection.moc"
