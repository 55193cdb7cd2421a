// The host print library: MAKEPDF through the PdfMaker, MAKEPDFANDSEND into the outbox.
#include "refhost/libraries/window_libraries.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <QByteArray>
#include <QApplication>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "refhost/print/mail_outbox.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace refhost::libraries {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

citforms::host::PageList pages(int count) {
    citforms::host::PageList list;
    for (int i = 0; i < count; ++i) {
        citforms::print::PageContent page;
        page.title = "CIT_8_Prn_73";
        citforms::print::TextItem t;
        t.x = 1000;
        t.y = 1000;
        t.text = "Zażółć " + std::to_string(i + 1);
        page.items.emplace_back(t);
        list.append(std::move(page));
    }
    return list;
}

class HostPrintLibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "print_tests";
            static char* argv[] = {name, nullptr};
            // Shared by the tests of the process and never destroyed: Qt must not be torn
            // down by the exit handlers.
            static auto* app = new QApplication(argc, argv);
            (void)app;
        }
    }
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("host-print-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        library_.setOutbox(folder_ / "outbox");
        library_.setNotices(&notices_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
    std::ostringstream transcript_, notices_;
    citforms::runtime::ScriptedUi ui_{&transcript_};
    HostPrintLibrary library_{ui_};
};

TEST_F(HostPrintLibraryTest, MakePdfBracketsSeveralAppends) {
    const auto pdf = folder_ / "a.pdf";
    auto first = pages(2);
    auto second = pages(3);
    EXPECT_EQ(library_.MAKEPDF(0, pdf.string(), nullptr), 0);
    EXPECT_EQ(library_.MAKEPDF(1, "", &first), 0);
    EXPECT_EQ(library_.MAKEPDF(1, "", &second), 0);
    EXPECT_EQ(library_.pagesWritten(), 5);
    EXPECT_EQ(library_.MAKEPDF(2, "", nullptr), 0);
    EXPECT_EQ(readFile(pdf).substr(0, 5), "%PDF-");
    EXPECT_TRUE(ui_.entries().empty());
}

TEST_F(HostPrintLibraryTest, PdfFailuresAreToldOnceAndReported) {
    auto some = pages(1);
    EXPECT_NE(library_.MAKEPDF(0, (folder_ / "no/such/folder/a.pdf").string(), nullptr), 0);
    EXPECT_NE(library_.MAKEPDF(1, "", &some), 0);
    EXPECT_NE(library_.MAKEPDF(2, "", nullptr), 0);
    ASSERT_EQ(ui_.entries().size(), 1u);
    EXPECT_EQ(ui_.entries()[0].request.title, "Tabrix: Ostrzeżenie");

    EXPECT_EQ(library_.MAKEPDF(0, (folder_ / "empty.pdf").string(), nullptr), 0);
    EXPECT_NE(library_.MAKEPDF(2, "", nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "empty.pdf"));
    EXPECT_EQ(ui_.entries().size(), 2u);
}

TEST_F(HostPrintLibraryTest, SendLeavesAMessageWithThePdfAttached) {
    auto list = pages(2);
    // A PDF being made goes on undisturbed by a hand-over in between.
    ASSERT_EQ(library_.MAKEPDF(0, (folder_ / "long.pdf").string(), nullptr), 0);
    ASSERT_EQ(library_.MAKEPDFANDSEND(&list), 0);
    const auto eml = library_.lastMessage();
    ASSERT_TRUE(std::filesystem::exists(eml));
    EXPECT_EQ(eml.parent_path(), folder_ / "outbox");
    EXPECT_EQ(notices_.str(), "mail\t" + eml.string() + "\n");
    const std::string text = readFile(eml);
    EXPECT_NE(text.find("Subject: CIT_8_Prn_73\r\n"), std::string::npos);
    EXPECT_NE(text.find("MIME-Version: 1.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("Content-Type: application/pdf"), std::string::npos);

    // The attachment decodes to the PDF saved beside the message.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, std::regex("boundary=\"([^\"]+)\"")));
    const std::string boundary = m[1];
    const auto start = text.find("Content-Transfer-Encoding: base64\r\n");
    ASSERT_NE(start, std::string::npos);
    const auto body = text.find("\r\n\r\n", start) + 4;
    const auto end = text.find("--" + boundary + "--", body);
    std::string encoded = text.substr(body, end - body);
    std::istringstream lines(encoded);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 77u);
    encoded.erase(std::remove(encoded.begin(), encoded.end(), '\r'), encoded.end());
    encoded.erase(std::remove(encoded.begin(), encoded.end(), '\n'), encoded.end());
    const std::string pdf = QByteArray::fromBase64(QByteArray::fromStdString(encoded)).toStdString();
    EXPECT_EQ(pdf, readFile(std::filesystem::path(eml).replace_extension(".pdf")));
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");

    auto more = pages(1);
    EXPECT_EQ(library_.MAKEPDF(1, "", &more), 0);
    EXPECT_EQ(library_.MAKEPDF(2, "", nullptr), 0);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "long.pdf"));
}

TEST_F(HostPrintLibraryTest, TheDeclarationsNameTitlesThePdfAndNamesTheAttachment) {
    auto list = pages(1);
    list.setDocumentTitle("CIT-8 (24) \u2013 Młyn Pszenica \u2013 2016");
    ASSERT_EQ(library_.MAKEPDFANDSEND(&list), 0);
    const std::string text = readFile(library_.lastMessage());
    EXPECT_NE(text.find("Subject: =?UTF-8?B?"), std::string::npos);
    // RFC 2231: the name as UTF-8, each byte beyond the plain ones as %XX.
    EXPECT_NE(text.find("filename*=UTF-8''CIT-8%20%2824%29%20%E2%80%93%20M%C5%82yn%20Pszenica%20"
                        "%E2%80%93%202016.pdf\r\n"),
              std::string::npos)
        << text.substr(0, 900);
    EXPECT_EQ(citforms::refhost::attachmentName("a/b: c?"), "a_b_ c_.pdf");
    const std::string pdf = std::filesystem::path(library_.lastMessage())
                                .replace_extension(".pdf")
                                .string();
    QProcess info;
    info.start("pdfinfo", {QString::fromStdString(pdf)});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains("CIT-8 (24) \u2013 Młyn Pszenica \u2013 2016")) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("Creator: +tabrix"))) << out.toStdString();
    EXPECT_TRUE(out.contains("CreationDate:")) << out.toStdString();
}

TEST_F(HostPrintLibraryTest, OutboxNamesNeverOverwriteAndStaySafe) {
    const auto folder = folder_ / "names";
    std::filesystem::create_directories(folder);
    const auto a = citforms::refhost::freshOutboxName(folder, "CIT 8/../x", ".pdf");
    EXPECT_EQ(a.parent_path(), folder);
    EXPECT_EQ(a.filename().string().find('/'), std::string::npos);
    EXPECT_NE(a.filename().string().find("CIT_8_.._x"), std::string::npos);
    std::ofstream(a) << "x";
    const auto b = citforms::refhost::freshOutboxName(folder, "CIT 8/../x", ".pdf");
    EXPECT_NE(a, b);
    EXPECT_TRUE(b.filename().string().ends_with("-2.pdf"));
}

TEST_F(HostPrintLibraryTest, OutboxNeverReplacesWhatIsNotARegularFile) {
    const auto pdf = folder_ / "x.pdf";
    std::ofstream(pdf) << "%PDF-";
    ASSERT_EQ(::mkfifo((folder_ / "x.eml").c_str(), 0600), 0);
    EXPECT_FALSE(citforms::refhost::writeMailMessage(pdf, "CIT-8"));
    EXPECT_TRUE(std::filesystem::is_fifo(folder_ / "x.eml"));

    // A link that points nowhere takes its name.
    const auto folder = folder_ / "names";
    std::filesystem::create_directories(folder);
    const auto a = citforms::refhost::freshOutboxName(folder, "CIT", ".pdf");
    std::filesystem::create_symlink(folder_ / "nothing", a);
    EXPECT_NE(citforms::refhost::freshOutboxName(folder, "CIT", ".pdf"), a);
}

TEST(MailMessageTest, NonAsciiSubjectIsEncoded) {
    const std::string m = citforms::refhost::mailMessageText("Zeznanie żółte", "z.pdf", "%PDF", "B");
    EXPECT_NE(m.find("Subject: =?UTF-8?B?"), std::string::npos);
    EXPECT_NE(m.find("JVBERg==\r\n"), std::string::npos);  // "%PDF"
    EXPECT_TRUE(m.ends_with("--B--\r\n"));
}

}  // namespace
}  // namespace refhost::libraries
