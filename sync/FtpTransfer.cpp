// CFtpTransfer on libcurl. One easy handle lives as long as the object, so
// its connection cache keeps the login of Connect for the downloads and
// uploads that follow.
#include "FtpTransfer.h"

#include <curl/curl.h>

#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "FileAccess.h"
#include "SecretMemory.h"
#include "SyncDir.h"

struct CFtpTransfer::Handle {
    CURL* easy = nullptr;
    // Holds the connection cache, so the login outlives each transfer.
    CURLM* multi = nullptr;
};

namespace {

// A server that does not answer a command in this time counts as gone.
constexpr long kStallSeconds = 60;
// Tidying up after a failure already decided must not hold the window long.
constexpr long kCleanUpSeconds = 10;
// The longest wait between two looks at a running transfer.
constexpr int kPollMillis = 10;

// Where a replacing upload puts the file until it is complete.
constexpr const char* kUploadSuffix = ".part";

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

// The host as it can stand in a URL: a name or IPv4 address as it is, an
// IPv6 address in brackets; empty for anything that would let the host text
// reach another part of the URL.
std::string UrlHost(const std::string& host) {
    std::string inner = host;
    if (inner.size() > 2 && inner.front() == '[' && inner.back() == ']') {
        inner = inner.substr(1, inner.size() - 2);
    }
    const bool ipv6 = inner.find(':') != std::string::npos;
    for (char c : inner) {
        if (!IsHostChar(c) && !(ipv6 && (c == ':' || c == '%'))) {
            return {};
        }
    }
    if (inner.empty()) {
        return {};
    }
    return ipv6 ? "[" + inner + "]" : inner;
}

curl_slist* TypeAsciiCommand() {
    return curl_slist_append(nullptr, "TYPE A");
}

// Every byte but the unreserved ones as %XX, the slash included, so that the
// server receives the name byte for byte (Shift_JIS included).
std::string PercentEncoded(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

// A text that would end an FTP command line early, and so smuggle in a
// command of its own, cannot be sent safely.
bool IsSendableText(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// Gives every bare LF the CR before it, so that each line travels, and
// lands in a local data file, with exactly one CR LF; a CR LF pair and a
// lone CR pass as they are. Knows the last byte of the previous chunk.
class LineEnds {
  public:
    std::string Fixed(const char* data, size_t length) {
        std::string out;
        out.reserve(length + length / 16 + 1);
        for (size_t i = 0; i < length; ++i) {
            if (data[i] == '\n' && !lastWasCr_) {
                out += '\r';
            }
            out += data[i];
            lastWasCr_ = data[i] == '\r';
        }
        return out;
    }

  private:
    bool lastWasCr_ = false;
};

struct UploadSource {
    std::FILE* file = nullptr;
    LineEnds lineEnds;
    std::string pending;  // fixed bytes that did not fit libcurl's buffer
    bool failed = false;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* userData) {
    auto* source = static_cast<UploadSource*>(userData);
    const size_t room = size * count;
    if (source->pending.empty()) {
        std::vector<char> raw(room);
        const size_t got = std::fread(raw.data(), 1, raw.size(), source->file);
        if (got == 0 && std::ferror(source->file)) {
            source->failed = true;
            return CURL_READFUNC_ABORT;
        }
        source->pending = source->lineEnds.Fixed(raw.data(), got);
    }
    const size_t n = std::min(room, source->pending.size());
    source->pending.copy(buffer, n);
    source->pending.erase(0, n);
    return n;
}

struct DownloadSink {
    FileReplacement* file = nullptr;
    LineEnds lineEnds;
};

size_t WriteDownload(char* data, size_t size, size_t count, void* userData) {
    auto* sink = static_cast<DownloadSink*>(userData);
    const size_t length = size * count;
    const std::string out = sink->lineEnds.Fixed(data, length);
    return sink->file->Write(out) ? length : 0;
}

// A text fetched into memory, up to a limit.
struct TextSink {
    std::string* bytes = nullptr;
    std::size_t limit = 0;
    bool cut = false;
};

// Ends the transfer once the limit is reached: the rest is not wanted.
size_t AppendText(char* data, size_t size, size_t count, void* userData) {
    auto* sink = static_cast<TextSink*>(userData);
    const size_t length = size * count;
    const size_t room = sink->limit - std::min(sink->limit, sink->bytes->size());
    sink->bytes->append(data, std::min(length, room));
    if (length > room) {
        sink->cut = true;
        return 0;
    }
    return length;
}

// A listing longer than this is no folder of data files, and proves nothing.
constexpr std::size_t kListingLimit = 4 << 20;

// A server's reply as it may be shown: printable ASCII, one line, bounded.
std::string PrintableReply(const char* data, std::size_t length) {
    constexpr std::size_t kReplyLimit = 120;
    std::string text;
    for (std::size_t i = 0; i < length && text.size() < kReplyLimit; ++i) {
        if (data[i] >= 0x20 && data[i] < 0x7F) {
            text += data[i];
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// Whether the LIST output `listing` has an entry named `name`: a line that is
// the name, or ends with a blank and the name, as both the Unix and the DOS
// forms put it last. A line that only happens to end so counts too; taking a
// missing file for one that is there only stops a save, never loses a file.
bool ListsName(const std::string& listing, const std::string& name) {
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) {
            end = listing.size();
        }
        std::string line = listing.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line == name || (line.size() > name.size() && line.ends_with(name) &&
                             line[line.size() - name.size() - 1] == ' ')) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The results of a RETR after which the server may still be asked: it
// answered, or a data connection it reset cut the read short. A time-out, a
// cancel, a local write failure or a lost server leave nothing to ask.
bool MayAskAfter(CURLcode result) {
    switch (result) {
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
            return true;
        default:
            return false;
    }
}

}  // namespace

CFtpTransfer::CFtpTransfer() : curl_(new Handle) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    curl_->easy = curl_easy_init();
    curl_->multi = curl_multi_init();
    if (curl_->multi != nullptr) {
        curl_multi_setopt(curl_->multi, CURLMOPT_MAXCONNECTS, 1L);
    }
}

CFtpTransfer::~CFtpTransfer() {
    if (curl_->multi != nullptr) {
        curl_multi_cleanup(curl_->multi);
    }
    if (curl_->easy != nullptr) {
        curl_easy_cleanup(curl_->easy);
    }
    delete curl_;
    curl_global_cleanup();
    WipeText(password_);
}

int CFtpTransfer::Setup(const std::string& userName, const std::string& password,
                        const std::string& hostName, std::int32_t port) {
    userName_ = userName;
    WipeText(password_);
    password_ = password;
    hostName_ = hostName;
    port_ = port;
    return 0;
}

void CFtpTransfer::SetTls(bool on, const std::string& caFile) {
    tls_ = on;
    caFile_ = caFile;
}

TransferTiming& FtpTransferTiming() {
    static TransferTiming timing;
    return timing;
}

int CFtpTransfer::OnProgress(void* self, std::int64_t, std::int64_t downNow, std::int64_t,
                             std::int64_t upNow) {
    auto* ftp = static_cast<CFtpTransfer*>(self);
    ftp->bytesMoved_ = downNow + upNow;
    return ftp->cancelled_ ? 1 : 0;
}

void CFtpTransfer::ApplyCommonOptions() {
    CURL* easy = curl_->easy;
    // Resetting keeps the handle's live connections, so the login survives.
    curl_easy_reset(easy);
    // The host comes from a file the user can edit: nothing but FTP, ever.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "ftp");
    // Verbose output would print the PASS command with the password.
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERNAME, userName_.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password_.c_str());
    const TransferTiming& timing = FtpTransferTiming();
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timing.connect.count()));
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, kStallSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, timing.lowSpeedBytes);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timing.lowSpeedTime.count()));
    // FTP replies reach the header function; a refusal is kept for the user.
    lastReply_.clear();
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnReply);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    // The server name goes to the server whole, relative to the login folder.
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(easy, CURLOPT_MAXCONNECTS, 1L);
    bytesMoved_ = 0;
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    if (tls_) {
        // AUTH TLS comes first and a refusal ends the session, so USER and
        // PASS never travel in clear; PROT P covers the data connections.
        curl_easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(easy, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
        // TLS 1.2 exactly. Under TLS 1.3 libcurl never reads the session
        // ticket a server sends on an upload's data connection, so the next
        // data connection offers a ticket the server has already used up, and
        // a server that requires the login's session on every data connection
        // (vsftpd's default) refuses it; after a download libcurl even hides
        // that refusal as a cut-off transfer, so it cannot be retried safely.
        // TLS 1.2 sessions resume any number of times. A server that speaks
        // only TLS 1.3 gets a login of its own for every transfer, whose first
        // data connection always resumes the login's fresh ticket.
        // CURL_SSLVERSION_MAX_TLSv1_2 is the same number shifted, spelt out
        // here as the enum's shift overflows it.
        const long tls12 = CURL_SSLVERSION_TLSv1_2;
        const long tls13 = CURL_SSLVERSION_TLSv1_3;
        curl_easy_setopt(easy, CURLOPT_SSLVERSION, tls13Only_ ? tls13 : tls12 | (tls12 << 16));
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, tls13Only_ ? 1L : 0L);
        if (!caFile_.empty()) {
            curl_easy_setopt(easy, CURLOPT_CAINFO, caFile_.c_str());
        }
    }
}

std::size_t CFtpTransfer::OnReply(char* data, std::size_t size, std::size_t count, void* self) {
    const std::size_t length = size * count;
    if (length > 0 && (data[0] == '4' || data[0] == '5')) {
        static_cast<CFtpTransfer*>(self)->lastReply_ = PrintableReply(data, length);
    }
    return length;
}

void CFtpTransfer::ApplyTransferOptions(curl_slist* typeAscii) {
    // Type A is asked for by command, after libcurl has set its own type:
    // libcurl's own text mode rewrites line ends on its side (CR LF going out
    // as CR CR LF, a lone CR coming in as LF), and the data files must pass
    // unchanged apart from the line ends LineEnds mends.
    curl_easy_setopt(curl_->easy, CURLOPT_PREQUOTE, typeAscii);
    // A server may announce the size of its stored form, not of the CR LF text.
    curl_easy_setopt(curl_->easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
}

std::string CFtpTransfer::UrlFor(const std::string& serverFile) const {
    const std::string host = UrlHost(hostName_);
    // libcurl puts user and password into USER and PASS lines as they are.
    if (host.empty() || !IsSendableText(userName_) || !IsSendableText(password_)) {
        return {};
    }
    // Only the low 16 bits of the port count; 0 is the standard port.
    unsigned port = static_cast<std::uint16_t>(port_);
    if (port == 0) {
        port = 21;
    }
    return "ftp://" + host + ":" + std::to_string(port) + "/" + PercentEncoded(serverFile);
}

int CFtpTransfer::Connect() {
    connected_ = false;
    const std::string url = UrlFor("");
    if (url.empty() || cancelled_) {
        return -1;
    }
    tls13Only_ = false;
    int result = LogIn(url);
    // A handshake refused at TLS 1.2 is tried once more at TLS 1.3: never
    // lower, and the certificate is checked the same way.
    if (result == CURLE_SSL_CONNECT_ERROR && tls_) {
        tls13Only_ = true;
        result = LogIn(url);
    }
    connected_ = result == CURLE_OK;
    return connected_ ? 0 : -1;
}

// libcurl's own loop (curl_easy_perform) waits up to a second at a time, and
// does not wait on the data connection of a passive transfer while that is
// still being opened: a transfer whose data connection was not open at the
// first wait stood still for a whole second. This loop looks again within
// kPollMillis at the latest.
int CFtpTransfer::Perform() {
    CURL* easy = curl_->easy;
    CURLM* multi = curl_->multi;
    if (easy == nullptr || multi == nullptr || curl_multi_add_handle(multi, easy) != CURLM_OK) {
        return CURLE_FAILED_INIT;
    }
    int running = 1;
    CURLMcode state = CURLM_OK;
    while (state == CURLM_OK) {
        state = curl_multi_perform(multi, &running);
        if (running == 0 || state != CURLM_OK) {
            break;
        }
        state = curl_multi_poll(multi, nullptr, 0, kPollMillis, nullptr);
    }
    CURLcode result = CURLE_FAILED_INIT;
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
            result = message->data.result;
        }
    }
    curl_multi_remove_handle(multi, easy);
    return state == CURLM_OK ? result : CURLE_FAILED_INIT;
}

int CFtpTransfer::LogIn(const std::string& url) {
    ApplyCommonOptions();
    curl_easy_setopt(curl_->easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_->easy, CURLOPT_NOBODY, 1L);
    return Perform();
}

void CFtpTransfer::RemoveServerFile(const std::string& serverFile) {
    const std::string url = UrlFor("");
    curl_slist* quote = curl_slist_append(nullptr, ("DELE " + serverFile).c_str());
    ApplyCommonOptions();
    curl_easy_setopt(curl_->easy, CURLOPT_CONNECTTIMEOUT, kCleanUpSeconds);
    curl_easy_setopt(curl_->easy, CURLOPT_TIMEOUT, kCleanUpSeconds);
    curl_easy_setopt(curl_->easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_->easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl_->easy, CURLOPT_QUOTE, quote);
    static_cast<void>(Perform());  // best effort: a copy left is only clutter
    curl_slist_free_all(quote);
}

CFtpTransfer::Stored CFtpTransfer::Store(const std::string& localFile,
                                         const std::string& serverFile,
                                         const std::string& renameTo) {
    UploadSource source;
    source.file = std::fopen(localFile.c_str(), "rb");
    if (source.file == nullptr) {
        return Stored::kNothingSent;
    }
    curl_slist* rename = nullptr;
    if (!renameTo.empty()) {
        rename = curl_slist_append(rename, ("RNFR " + serverFile).c_str());
        rename = curl_slist_append(rename, ("RNTO " + renameTo).c_str());
    }
    const std::string url = UrlFor(serverFile);
    ApplyCommonOptions();
    curl_easy_setopt(curl_->easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_->easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_->easy, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(curl_->easy, CURLOPT_READDATA, &source);
    curl_easy_setopt(curl_->easy, CURLOPT_POSTQUOTE, rename);
    curl_slist* typeAscii = TypeAsciiCommand();
    ApplyTransferOptions(typeAscii);
    // libcurl sends the rename only after the server has confirmed the whole
    // file, so a failed transfer never replaces the server's copy.
    const auto result = static_cast<CURLcode>(Perform());
    curl_slist_free_all(typeAscii);
    curl_slist_free_all(rename);
    std::fclose(source.file);
    if (result == CURLE_OK && !source.failed) {
        return Stored::kWhole;
    }
    return result == CURLE_QUOTE_ERROR ? Stored::kNotRenamed : Stored::kBrokenOff;
}

int CFtpTransfer::Upload(const std::string& localFile, const std::string& serverFile) {
    if (!connected_ || cancelled_ || serverFile.empty() || !IsSendableText(serverFile)) {
        return -1;
    }
    // A transfer that breaks off leaves only the temporary file cut short.
    const std::string temporary = serverFile + kUploadSuffix;
    switch (Store(localFile, temporary, serverFile)) {
        case Stored::kWhole:
            return 0;
        case Stored::kNothingSent:
            return -1;
        case Stored::kBrokenOff:
            // Nobody reads the cut copy; left behind, one more would gather
            // on the server with every failed save. A cancelled transfer is
            // left at once: the user asked not to wait any longer.
            if (!cancelled_) {
                RemoveServerFile(temporary);
            }
            return -1;
        case Stored::kNotRenamed:
            // The file went over but the server would not rename it over the old one.
            RemoveServerFile(temporary);
            return Store(localFile, serverFile, "") == Stored::kWhole ? 0 : -1;
    }
    return -1;
}

ServerFetch CFtpTransfer::Download(const std::string& serverFile, const std::string& localFile,
                                   const std::string& dataFile) {
    const std::string url = UrlFor(serverFile);
    if (url.empty() || cancelled_ || serverFile.empty() || !IsSendableText(serverFile)) {
        return ServerFetch::Failed;
    }
    // The local file is replaced only by a complete download.
    FileReplacement file(localFile);
    if (!file.Open(dataFile)) {
        return ServerFetch::Failed;
    }
    DownloadSink sink;
    sink.file = &file;
    const int result = Retrieve(url, WriteDownload, &sink);
    if (result != CURLE_OK) {
        return AfterFailedRead(serverFile, result);
    }
    return file.Commit() ? ServerFetch::Fetched : ServerFetch::Failed;
}

ServerFetch CFtpTransfer::AfterFailedRead(const std::string& serverFile, int result) {
    if (cancelled_ || !MayAskAfter(static_cast<CURLcode>(result))) {
        return ServerFetch::Failed;
    }
    const std::string refusal = lastReply_;
    // A path has few folders; a longer climb would be a name made to cost.
    constexpr int kFoldersUp = 16;
    switch (PresenceOf(serverFile, kFoldersUp)) {
        case Presence::Absent:
            return ServerFetch::NotThere;
        case Presence::Present:
            lastRefusal_ = refusal;
            return ServerFetch::Refused;
        case Presence::Unknown:
            break;
    }
    return ServerFetch::Failed;
}

CFtpTransfer::Presence CFtpTransfer::PresenceOf(const std::string& serverPath, int foldersUp) {
    const std::size_t slash = serverPath.find_last_of('/');
    const std::string name = slash == std::string::npos ? serverPath : serverPath.substr(slash + 1);
    if (name.empty() || cancelled_) {
        return Presence::Unknown;
    }
    std::string folder;
    if (slash != std::string::npos) {
        folder = slash == 0 ? "/" : serverPath.substr(0, slash);
    }
    std::string listing;
    if (ListDir(folder, listing) == ServerReply::Done) {
        return ListsName(listing, name) ? Presence::Present : Presence::Absent;
    }
    // No listing of the folder: it may be missing itself, which its own
    // folder's listing tells. The login folder and the root are always there.
    if (folder.empty() || folder == "/" || foldersUp == 0) {
        return Presence::Unknown;
    }
    return PresenceOf(folder, foldersUp - 1) == Presence::Absent ? Presence::Absent
                                                                 : Presence::Unknown;
}

ServerReply CFtpTransfer::RunCommand(const std::string& command, const std::string& second) {
    const std::string url = UrlFor("");
    if (url.empty() || cancelled_ || !IsSendableText(command) || !IsSendableText(second)) {
        return ServerReply::NoAnswer;
    }
    curl_slist* quote = curl_slist_append(nullptr, command.c_str());
    if (!second.empty()) {
        quote = curl_slist_append(quote, second.c_str());
    }
    ApplyCommonOptions();
    curl_easy_setopt(curl_->easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_->easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl_->easy, CURLOPT_QUOTE, quote);
    const auto result = static_cast<CURLcode>(Perform());
    curl_slist_free_all(quote);
    connected_ = result == CURLE_OK || result == CURLE_QUOTE_ERROR;
    if (result == CURLE_OK) {
        return ServerReply::Done;
    }
    return result == CURLE_QUOTE_ERROR ? ServerReply::Refused : ServerReply::NoAnswer;
}

ServerReply CFtpTransfer::MakeDir(const std::string& serverDir) {
    return RunCommand("MKD " + serverDir);
}

ServerReply CFtpTransfer::RemoveDir(const std::string& serverDir) {
    return RunCommand("RMD " + serverDir);
}

ServerReply CFtpTransfer::DeleteFile(const std::string& serverFile) {
    return RunCommand("DELE " + serverFile);
}

ServerReply CFtpTransfer::RenameFile(const std::string& from, const std::string& to) {
    return RunCommand("RNFR " + from, "RNTO " + to);
}

ServerReply CFtpTransfer::UploadAs(const std::string& localFile, const std::string& serverFile) {
    if (!connected_ || cancelled_ || serverFile.empty() || !IsSendableText(serverFile)) {
        return ServerReply::NoAnswer;
    }
    return Store(localFile, serverFile, "") == Stored::kWhole ? ServerReply::Done
                                                              : ServerReply::NoAnswer;
}

ServerFetch CFtpTransfer::FetchText(const std::string& serverFile, std::string& bytes,
                                    std::size_t limit) {
    bytes.clear();
    if (serverFile.empty() || !IsSendableText(serverFile)) {
        return ServerFetch::Failed;
    }
    bool cut = false;
    const int result = FetchInto(UrlFor(serverFile), bytes, limit, cut);
    if (result == CURLE_OK) {
        return ServerFetch::Fetched;
    }
    return AfterFailedRead(serverFile, result);
}

ServerReply CFtpTransfer::ListDir(const std::string& serverDir, std::string& names) {
    names.clear();
    if (!IsSendableText(serverDir)) {
        return ServerReply::NoAnswer;
    }
    // The login folder is the URL's own; every other ends in a slash, which
    // libcurl takes for a listing.
    const std::string url = serverDir.empty() ? UrlFor("") : UrlFor(serverDir) + "/";
    bool cut = false;
    if (url == "/" || FetchInto(url, names, kListingLimit, cut) != CURLE_OK || cut) {
        names.clear();
        return ServerReply::NoAnswer;
    }
    return ServerReply::Done;
}

int CFtpTransfer::FetchInto(const std::string& url, std::string& bytes, std::size_t limit,
                            bool& cut) {
    bytes.clear();
    if (url.empty() || cancelled_) {
        return CURLE_URL_MALFORMAT;
    }
    TextSink sink{&bytes, limit, false};
    const int result = Retrieve(url, AppendText, &sink);
    cut = sink.cut;
    if (result == CURLE_OK || (result == CURLE_WRITE_ERROR && sink.cut)) {
        return CURLE_OK;
    }
    bytes.clear();
    return result;
}

int CFtpTransfer::Retrieve(const std::string& url,
                           std::size_t (*write)(char*, std::size_t, std::size_t, void*),
                           void* sink) {
    ApplyCommonOptions();
    curl_easy_setopt(curl_->easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_->easy, CURLOPT_FRESH_CONNECT, connected_ ? 0L : 1L);
    curl_easy_setopt(curl_->easy, CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(curl_->easy, CURLOPT_WRITEDATA, sink);
    // libcurl's SIZE may be refused in type A, and a refused SIZE would pass
    // for a missing file.
    curl_slist* typeAscii = TypeAsciiCommand();
    ApplyTransferOptions(typeAscii);
    const auto result = static_cast<CURLcode>(Perform());
    curl_slist_free_all(typeAscii);
    // A refused read leaves the login open, for the listing that tells why and
    // the upload that may follow.
    connected_ = result == CURLE_OK || result == CURLE_REMOTE_FILE_NOT_FOUND ||
                 result == CURLE_FTP_COULDNT_RETR_FILE;
    return result;
}
