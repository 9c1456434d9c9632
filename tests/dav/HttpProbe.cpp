#include "HttpProbe.h"

#include <unistd.h>

#include <QFile>
#include <QJsonDocument>

#include <filesystem>

#include "ChildProcess.h"

HttpProbe::HttpProbe(const std::string& wellKnown) {
    char pattern[] = "/tmp/veskat-probe-XXXXXX";
    dir_ = mkdtemp(pattern);
    int out[2];
    if (pipe(out) != 0) {
        return;
    }
    pid_ =
        SpawnChild({"/usr/bin/python3", VESKAT_HTTP_PROBE_SCRIPT, dir_ + "/log.jsonl", wellKnown},
                   out[1], -1, out[0]);
    close(out[1]);
    port_ = pid_ > 0 ? ReadPortLine(out[0]) : 0;
    close(out[0]);
}

HttpProbe::~HttpProbe() {
    StopChild(pid_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

QUrl HttpProbe::Url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
}

std::vector<QJsonObject> HttpProbe::Requests() const {
    QFile file(QString::fromStdString(dir_ + "/log.jsonl"));
    std::vector<QJsonObject> requests;
    if (!file.open(QIODevice::ReadOnly)) {
        return requests;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty()) {
            requests.push_back(QJsonDocument::fromJson(line).object());
        }
    }
    return requests;
}
