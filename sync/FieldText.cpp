// Edit text to and from settings bytes.
#include "FieldText.h"

#include <QLineEdit>

#include "FileChooser.h"
#include "MessageService.h"
#include "SecretMemory.h"
#include "SjisCodec.h"

namespace {

QString TooLong(const char* fieldName, std::size_t limit) {
    return QString::fromUtf8("%1が長すぎます。%2バイトまでにしてください。")
        .arg(QString::fromUtf8(fieldName))
        .arg(limit);
}

bool Refuse(QLineEdit* edit, const QString& problem, MessageService& messages, QWidget* parent) {
    messages.Inform(parent, problem);
    edit->setFocus();
    return false;
}

}  // namespace

void ShowFieldText(QLineEdit* edit, const std::string& bytes) {
    edit->setText(SjisToQString(bytes));
}

bool ReadFieldText(QLineEdit* edit, std::size_t limit, const char* fieldName,
                   MessageService& messages, QWidget* parent, std::string& bytes, bool secret) {
    const QString text = edit->text();
    std::optional<std::string> encoded = SjisFromQString(text);
    QString problem;
    if (!encoded && secret) {
        problem =
            QString::fromUtf8("%1に使えない文字があります。").arg(QString::fromUtf8(fieldName));
    } else if (!encoded) {
        problem =
            QString::fromUtf8("%1に使えない文字「%2」があります。")
                .arg(QString::fromUtf8(fieldName), FirstUnencodable(text).value_or(QString()));
    } else if (encoded->size() > limit) {
        problem = TooLong(fieldName, limit);
    }
    if (!problem.isEmpty()) {
        return Refuse(edit, problem, messages, parent);
    }
    bytes = *encoded;
    if (secret) {
        WipeText(*encoded);
    }
    return true;
}

void BrowseCertificateFile(QWidget* parent, QLineEdit* edit) {
    const QString chosen =
        ChooseFile(parent, FileChoice::Open, QStringLiteral("信頼する証明書"), edit->text(),
                   QStringLiteral("証明書 (*.pem *.crt *.cer);;すべてのファイル (*)"));
    if (!chosen.isEmpty()) {
        edit->setText(chosen);
    }
}

bool ReadUtf8Secret(QLineEdit* edit, std::size_t limit, const char* fieldName,
                    MessageService& messages, QWidget* parent, std::string& bytes) {
    QByteArray text = edit->text().toUtf8();
    const auto size = static_cast<std::size_t>(text.size());
    if (size > limit) {
        text.fill('\0');
        return Refuse(edit, TooLong(fieldName, limit), messages, parent);
    }
    bytes.assign(text.constData(), size);
    text.fill('\0');
    return true;
}
