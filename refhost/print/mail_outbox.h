#pragma once
// The reference host's outbox: where MAKEPDFANDSEND leaves each PDF it hands over for e-mail,
// as a message file ready for a mail client.
//
//   auto eml = writeMailMessage(outboxFolder(), "/tmp/x.pdf", "CIT_8_Prn_73");
//   // <outbox>/20250101-120000-CIT_8_Prn_73.eml: multipart/mixed, the PDF attached in base64
//
// The folder is $XDG_DATA_HOME/tabrix/outbox (~/.local/share/tabrix/outbox without it). A
// message has no recipient yet ("X-Unsent: 1": mail clients open it as a draft to address and
// send). Files are written completely or not at all.
#include <filesystem>
#include <string>

#include "citforms/values/result.h"

namespace citforms::refhost {

std::filesystem::path outboxFolder();

// A name in `folder` that does not exist yet: <yyyyMMdd-hhmmss>-<title><suffix>, with "-2",
// "-3" ... before the suffix when needed. Characters unsafe in file names become '_'.
std::filesystem::path freshOutboxName(const std::filesystem::path& folder,
                                      const std::string& title, const std::string& suffix);

// The attachment's file name for a document title: the title with the characters that no file
// name may hold (/ \ : * ? " < > | and controls) as '_', and ".pdf"
// ("CIT-8 (24) – Młyn Pszenica – 2016.pdf").
std::string attachmentName(const std::string& title);

// Writes the message with `pdf` attached next to it (same name, .eml), the attachment named
// `attachment` (the PDF's own file name when empty); returns its path.
values::Result<std::filesystem::path> writeMailMessage(const std::filesystem::path& pdf,
                                                       const std::string& subject,
                                                       const std::string& attachment = {});

// The MIME text of such a message (CRLF line ends, base64 lines of 76 characters). A name
// beyond ASCII is written as an encoded word (name=) and in RFC 2231 form (filename*=).
std::string mailMessageText(const std::string& subject, const std::string& attachmentName,
                            const std::string& pdfBytes, const std::string& boundary);

}  // namespace citforms::refhost
