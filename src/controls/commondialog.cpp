#include "commondialog.h"

#include "system/errors.h"

#include <QFileInfo>

namespace platform {

QList<FileFilter> CommonDialog::parseFilter(const QString& filter) {
    QList<FileFilter> result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        result.append({parts[i], parts[i + 1].split(u';', Qt::SkipEmptyParts)});
    return result;
}

void CommonDialog::showFile(FileRequest::Kind kind) {
    FileRequest request;
    request.kind = kind;
    request.title = dialogTitle;
    request.initDir = initDir;
    request.fileName = fileName;
    request.defaultExt = defaultExt;
    request.filters = parseFilter(filter);
    const std::optional<QString> answer = dialogs_.fileDialog(request);
    // A name of nothing but spaces names no file: saved as it stands it would
    // land, relative, wherever the program was started from.
    if (!answer || answer->trimmed().isEmpty())
        throw CancelError();
    fileName = *answer;
    if (kind == FileRequest::Save && !defaultExt.isEmpty() &&
        QFileInfo(fileName).suffix().isEmpty()) {
        const QString ext = defaultExt.startsWith(u'.') ? defaultExt : u'.' + defaultExt;
        fileName += ext;
    }
}

void CommonDialog::showOpen() {
    showFile(FileRequest::Open);
}

void CommonDialog::showSave() {
    showFile(FileRequest::Save);
}

void CommonDialog::showColor() {
    const std::optional<QRgb> answer = dialogs_.colorDialog(color);
    if (!answer)
        throw CancelError();
    color = *answer;
}

} // namespace platform
