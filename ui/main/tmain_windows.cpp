// The auxiliary windows: the parts list and the version window.
#include "ui/main/tmain.h"

#include "ui/parts/tpart.h"
#include "ui/version/tvers.h"

#include <memory>

void TMain::OpenPartsList() {
  if (!Part) Part = new TPart(this);
  Part->show();
  Part->raise();
  Part->activateWindow();
  Part->FillList();
}

void TMain::ClosePartsList() {
  // Closing clears Part at once; the window itself goes once the event loop gets to it.
  if (Part) Part->close();
}

void TMain::AppendPartRow(const TPartData& record) {
  if (Part) Part->AppendRow(record);
}

void TMain::ShowVersion() {
  const std::unique_ptr<TVers> window(new TVers(this));
  Vers = window.get();
  window->exec();
}
