// Edit text to and from settings bytes.
#include "FieldText.h"

#include <QLineEdit>

#include "FileChooser.h"
#include "MessageService.h"
#include "SecretMemory.h"
#include "SjisCodec.h"

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
        problem = QString::fromUtf8("%1が長すぎます。%2バイトまでにしてください。")
                      .arg(QString::fromUtf8(fieldName))
                      .arg(limit);
    }
    if (!problem.isEmpty()) {
        messages.Inform(parent, problem);
        edit->setFocus();
        return false;
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
