#include "citforms/print/report_runtime.h"

#include <atomic>

namespace citforms::print {

namespace {

std::atomic<ReportRuntimeFactory>& registeredFactory() {
    static std::atomic<ReportRuntimeFactory> factory{nullptr};
    return factory;
}

class WindowlessRuntime : public ReportRuntime {
public:
    std::unique_ptr<ProgressDialog> openProgress(const ProgressWindow&) override {
        return std::make_unique<WindowlessProgress>();
    }
    bool preview(const host::PageList&, int, host::IniManager*, std::string_view) override {
        return false;
    }
    bool printerSupportsCopies() override { return false; }
    bool print(const host::PageList&, std::string_view, int) override { return false; }
};

}  // namespace

void setDefaultReportRuntimeFactory(ReportRuntimeFactory factory) {
    registeredFactory().store(factory);
}

std::unique_ptr<ReportRuntime> makeDefaultReportRuntime() {
    if (ReportRuntimeFactory factory = registeredFactory().load()) {
        if (auto runtime = factory()) return runtime;
    }
    return makeWindowlessReportRuntime();
}

std::unique_ptr<ReportRuntime> makeWindowlessReportRuntime() {
    return std::make_unique<WindowlessRuntime>();
}

}  // namespace citforms::print
