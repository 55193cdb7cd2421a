#include "refhost/libraries/host_managers.h"

#include <QSettings>
#include <QString>

namespace refhost::libraries {

namespace {

QString settingsKey(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + '/' +
           QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

void HostErrorManager::init(citforms::host::ErrorStatus* status) {
    status_ = status;
}

void HostErrorManager::report(std::string_view file, std::string_view text) {
    ++reported_;
    citforms::host::MessageRequest request;
    request.title = kTitleError;
    request.text = std::string(file) + ": " + std::string(text);
    lastReport_ = request.text;
    request.buttons = "&OK";
    request.icon = citforms::host::MessageIcon::Error;
    ui_->message(request);
}

HostIniManager::HostIniManager() = default;
HostIniManager::~HostIniManager() {
    kill();
}

void HostIniManager::init(const std::string& fileName) {
    std::lock_guard lock(mutex_);
    if (settings_) settings_->sync();
    settings_ = std::make_unique<QSettings>(QString::fromStdString(fileName), QSettings::IniFormat);
}

std::string HostIniManager::fetch(std::string_view section, std::string_view key,
                                  std::string_view fallback) {
    std::lock_guard lock(mutex_);
    if (!settings_) return std::string(fallback);
    const QVariant value = settings_->value(settingsKey(section, key));
    if (!value.isValid()) return std::string(fallback);
    return value.toString().toStdString();
}

void HostIniManager::update(std::string_view section, std::string_view key,
                            std::string_view value) {
    std::lock_guard lock(mutex_);
    if (!settings_) return;
    settings_->setValue(settingsKey(section, key),
                        QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

void HostIniManager::kill() {
    std::lock_guard lock(mutex_);
    if (!settings_) return;
    settings_->sync();
    settings_.reset();
}

std::string HostIniManager::fileName() const {
    std::lock_guard lock(mutex_);
    return settings_ ? settings_->fileName().toStdString() : std::string();
}

}  // namespace refhost::libraries
