// The dialogs where there is no window system.
#include "platform/ui.h"
#include "ui/dialogs.h"
#include "varkesh/framework.h"

namespace varkesh::ui {

namespace {

class HeadlessView : public PropertiesView {
 public:
  void ShowError(const std::string& message) override { platform::ShowErrorBox(message); }

  bool Run(PropertiesDialog& /*dialog*/) override {
    throw Error("No properties dialog is available in this build");
  }
};

}  // namespace

bool EditWithDialog(FormKind kind, char** slots) {
  HeadlessView view;
  return EditProperties(kind, slots, view);
}

void ShowAboutBox() {}

}  // namespace varkesh::ui
