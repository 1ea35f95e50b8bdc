#include "qtdialogs.h"

#include "waiting.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

namespace platform {

QStringList qtNameFilters(const QList<FileFilter>& filters) {
    QStringList result;
    for (const FileFilter& filter : filters) {
        // Qt reads the patterns from the last parentheses of the description, so
        // a description with its own parentheses gets them once more.
        result << filter.description + QStringLiteral(" (") + filter.patterns.join(u' ') + u')';
    }
    return result;
}

void QtDialogs::msgBox(const QString& text) {
    // Lines are joined by a carriage return, which a Qt label does not break on.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox box(QMessageBox::NoIcon, kAppTitle, shown, QMessageBox::Ok, owner_);
    box.exec();
}

bool QtDialogs::question(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Yes | QMessageBox::No,
                    owner_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::inputBox(const QString& prompt, const QString& title) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(owner_, title, prompt, QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

std::optional<QString> QtDialogs::fileDialog(const FileRequest& request) {
    QFileDialog dialog(owner_, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.kind == FileRequest::Save ? QFileDialog::AcceptSave
                                                           : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.kind == FileRequest::Save ? QFileDialog::AnyFile
                                                         : QFileDialog::ExistingFile);
    dialog.setNameFilters(qtNameFilters(request.filters));
    QString ext = request.defaultExt;
    if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    if (!request.initDir.isEmpty())
        dialog.setDirectory(request.initDir);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().front());
}

std::optional<QRgb> QtDialogs::colorDialog(QRgb initial) {
    const QColor color = QColorDialog::getColor(QColor::fromRgb(initial), owner_);
    if (!color.isValid())
        return std::nullopt;
    return color.rgb();
}

bool QtDialogs::progress(const QString& text, const std::function<bool()>& finished) {
    QProgressDialog box(text, QStringLiteral("Cancel"), 0, 0, owner_);
    box.setWindowTitle(kAppTitle);
    box.setWindowModality(Qt::ApplicationModal);
    box.setAutoReset(false);
    box.setAutoClose(false);
    // The Cancel button, Esc and the close button all end the box as rejected.
    QObject::connect(&box, &QProgressDialog::canceled, &box, &QDialog::reject);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &box, [&box, &finished] {
        if (finished())
            box.accept();
    });
    poll.start(kProgressPollMs);
    if (finished())
        return true;
    return box.exec() == QDialog::Accepted;
}

} // namespace platform
