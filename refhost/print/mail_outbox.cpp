#include "refhost/print/mail_outbox.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QUuid>

#include "refhost/print/output_file.h"

namespace citforms::refhost {

namespace {

constexpr const char* kCrLf = "\r\n";

// An RFC 2047 encoded word when the text is not plain ASCII.
std::string headerText(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80 || c < 0x20) {
            return "=?UTF-8?B?" +
                   QByteArray::fromStdString(text).toBase64().toStdString() + "?=";
        }
    }
    return text;
}

std::string safeName(const std::string& title) {
    std::string out;
    for (unsigned char c : title) {
        out += (std::isalnum(c) || c == '-' || c == '_' || c == '.') ? static_cast<char>(c) : '_';
    }
    return out.empty() ? std::string("wydruk") : out;
}

// RFC 2231: UTF-8, each byte beyond the plain ones as %XX.
std::string extendedValue(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "UTF-8''";
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

bool plainAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80 || c < 0x20 || c == '"' || c == '\\') return false;
    }
    return true;
}

}  // namespace

std::string attachmentName(const std::string& title) {
    std::string out;
    for (unsigned char c : title) {
        const bool bad = c < 0x20 || c == 0x7F || std::string_view("/\\:*?\"<>|").find(
                                                      static_cast<char>(c)) != std::string_view::npos;
        out += bad ? '_' : static_cast<char>(c);
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    return (out.empty() ? std::string("wydruk") : out) + ".pdf";
}

std::filesystem::path outboxFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0')
        return std::filesystem::path(xdg) / "tabrix" / "outbox";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share" / "tabrix" /
           "outbox";
}

std::filesystem::path freshOutboxName(const std::filesystem::path& folder,
                                      const std::string& title, const std::string& suffix) {
    const std::string stem =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")).toStdString() +
        "-" + safeName(title);
    // A name is taken by anything there, a link that points nowhere included.
    const auto taken = [](const std::filesystem::path& p) {
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
    };
    std::filesystem::path candidate = folder / (stem + suffix);
    for (int n = 2; taken(candidate) ||
                    taken(std::filesystem::path(candidate).replace_extension(".eml"));
         ++n) {
        candidate = folder / (stem + "-" + std::to_string(n) + suffix);
    }
    return candidate;
}

std::string mailMessageText(const std::string& subject, const std::string& attachmentName,
                            const std::string& pdfBytes, const std::string& boundary) {
    const std::string date =
        QLocale::c()
            .toString(QDateTime::currentDateTime(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss t"))
            .toStdString();
    std::string m;
    m += std::string("From: tabrix <tabrix@localhost>") + kCrLf;
    m += "Subject: " + headerText(subject) + kCrLf;
    m += "Date: " + date + kCrLf;
    m += std::string("X-Unsent: 1") + kCrLf;
    m += std::string("MIME-Version: 1.0") + kCrLf;
    m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"" + kCrLf + kCrLf;
    m += "--" + boundary + kCrLf;
    m += std::string("Content-Type: text/plain; charset=UTF-8") + kCrLf;
    m += std::string("Content-Transfer-Encoding: 8bit") + kCrLf + kCrLf;
    m += "W załączeniu " + attachmentName + "." + kCrLf + kCrLf;
    m += "--" + boundary + kCrLf;
    if (plainAscii(attachmentName)) {
        m += "Content-Type: application/pdf; name=\"" + attachmentName + "\"" + kCrLf;
        m += std::string("Content-Transfer-Encoding: base64") + kCrLf;
        m += "Content-Disposition: attachment; filename=\"" + attachmentName + "\"" + kCrLf +
             kCrLf;
    } else {
        m += "Content-Type: application/pdf; name=\"" + headerText(attachmentName) + "\"" +
             kCrLf;
        m += std::string("Content-Transfer-Encoding: base64") + kCrLf;
        m += "Content-Disposition: attachment; filename*=" + extendedValue(attachmentName) +
             kCrLf + kCrLf;
    }
    const std::string encoded = QByteArray::fromStdString(pdfBytes).toBase64().toStdString();
    for (std::size_t at = 0; at < encoded.size(); at += 76) {
        m += encoded.substr(at, 76);
        m += kCrLf;
    }
    m += "--" + boundary + "--" + kCrLf;
    return m;
}

values::Result<std::filesystem::path> writeMailMessage(const std::filesystem::path& pdf,
                                                       const std::string& subject,
                                                       const std::string& attachment) {
    QFile in(QString::fromStdString(pdf.string()));
    if (!in.open(QIODevice::ReadOnly)) return values::Error{"cannot read " + pdf.string()};
    const std::string bytes = in.readAll().toStdString();
    const std::string boundary =
        "tabrix-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    const std::filesystem::path eml = std::filesystem::path(pdf).replace_extension(".eml");
    if (auto st = checkOutputFile(eml.string()); !st) return values::Error{st.error()};
    QSaveFile out(QString::fromStdString(eml.string()));
    if (!out.open(QIODevice::WriteOnly)) return values::Error{"cannot write " + eml.string()};
    const std::string text = mailMessageText(
        subject, attachment.empty() ? pdf.filename().string() : attachment, bytes, boundary);
    out.write(text.data(), static_cast<qint64>(text.size()));
    if (!out.commit()) return values::Error{"cannot write " + eml.string()};
    return eml;
}

}  // namespace citforms::refhost
