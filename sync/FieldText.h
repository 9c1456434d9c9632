// Moving a settings field between its Shift_JIS bytes and an edit control,
// refusing (with a message naming the field) text that cannot be stored whole.
#pragma once

#include <cstddef>
#include <string>

class MessageService;
class QLineEdit;
class QWidget;

// Shows the bytes in the edit.
void ShowFieldText(QLineEdit* edit, const std::string& bytes);

// The edit's text as Shift_JIS bytes in `bytes`. False, after telling the user
// and putting the focus on the edit, when the text holds a character without a
// Shift_JIS form or is longer than `limit` bytes; `bytes` is then untouched.
// A `secret` field's message does not quote the offending character.
[[nodiscard]] bool ReadFieldText(QLineEdit* edit, std::size_t limit, const char* fieldName,
                                 MessageService& messages, QWidget* parent, std::string& bytes,
                                 bool secret = false);

// The file dialog for a field naming the certificate (PEM) a server is
// trusted by: the file chosen replaces the edit's text; cancelled, it stays.
void BrowseCertificateFile(QWidget* parent, QLineEdit* edit);

// The same for a secret held in UTF-8 (a CalDAV password): every character
// goes; only more than `limit` bytes is refused.
[[nodiscard]] bool ReadUtf8Secret(QLineEdit* edit, std::size_t limit, const char* fieldName,
                                  MessageService& messages, QWidget* parent, std::string& bytes);
