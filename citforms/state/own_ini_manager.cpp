#include "citforms/state/own_ini_manager.h"

#include <QtCore/QSettings>
#include <QtCore/QString>

namespace citforms::module {

namespace {

QString settingsKey(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + '/' +
           QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

OwnIniManager::OwnIniManager() = default;
OwnIniManager::~OwnIniManager() {
    kill();
}

void OwnIniManager::init(const std::string& fileName) {
    kill();
    fileName_ = fileName;
    if (fileName.empty()) return;
    settings_ = std::make_unique<QSettings>(QString::fromStdString(fileName), QSettings::IniFormat);
}

std::string OwnIniManager::fetch(std::string_view section, std::string_view key,
                                 std::string_view fallback) {
    if (!settings_) return std::string(fallback);
    const QVariant value = settings_->value(settingsKey(section, key));
    if (!value.isValid()) return std::string(fallback);
    return value.toString().toStdString();
}

void OwnIniManager::update(std::string_view section, std::string_view key, std::string_view value) {
    if (!settings_) return;
    settings_->setValue(settingsKey(section, key),
                        QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

void OwnIniManager::kill() {
    if (settings_) settings_->sync();
    settings_.reset();
}

}  // namespace citforms::module
