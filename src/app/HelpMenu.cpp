// The menu "Справка".
#include "FrmForma.h"

#include "HelpCommands.h"

void FrmForma::HelpCallHelp_Click()
{
    callHelp(m_shop.bazaPath());
}

void FrmForma::HelpAbout_Click()
{
    showAbout(this, m_shop.bazaPath());
}
