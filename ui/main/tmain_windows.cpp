// The auxiliary windows: the parts list and the version window.
#include "ui/main/tmain.h"

void TMain::OpenPartsList() {}
void TMain::ClosePartsList() {}
void TMain::AppendPartRow(const TPartData&) {}
void TMain::ShowVersion() {}
