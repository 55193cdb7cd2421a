#include "citforms/print/display_strings.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QStringList>

namespace citforms::print {

namespace {

// An unquoted INI value with a comma comes back from QSettings as a list: join it again.
void take(const QSettings& ini, const char* key, std::string& target) {
    const QVariant v = ini.value(QString::fromLatin1(key));
    if (!v.isValid()) return;
    if (v.typeId() == QMetaType::QStringList) {
        target = v.toStringList().join(QStringLiteral(", ")).toStdString();
    } else {
        target = v.toString().toStdString();
    }
}

}  // namespace

DisplayStrings DisplayStrings::load(const std::string& folder) {
    DisplayStrings s;
    if (folder.empty()) return s;
    const QString path =
        QDir(QString::fromStdString(folder)).filePath(QString::fromLatin1(kFileName));
    if (!QFileInfo::exists(path)) return s;
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QString::fromLatin1(kSection));
    take(ini, "ProgWinTitlePrvw", s.progWinTitlePrvw);
    take(ini, "ProgWinTitlePrnt", s.progWinTitlePrnt);
    take(ini, "ProgWinPctText", s.progWinPctText);
    take(ini, "ProgWinUsrText", s.progWinUsrText);
    take(ini, "CancelAreYouSureTitle", s.cancelAreYouSureTitle);
    take(ini, "CancelAreYouSureText", s.cancelAreYouSureText);
    take(ini, "NothingToPrvwTitle", s.nothingToPrvwTitle);
    take(ini, "NothingToPrvwText", s.nothingToPrvwText);
    take(ini, "NothingToPrntTitle", s.nothingToPrntTitle);
    take(ini, "NothingToPrntText", s.nothingToPrntText);
    take(ini, "ButtonYesNo", s.buttonYesNo);
    take(ini, "ButtonOk", s.buttonOk);
    ini.endGroup();
    return s;
}

}  // namespace citforms::print
