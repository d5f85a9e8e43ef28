// The menu "Справка".
#include "FrmForma.h"

void FrmForma::HelpCallHelp_Click() {}

void FrmForma::HelpAbout_Click() {}
