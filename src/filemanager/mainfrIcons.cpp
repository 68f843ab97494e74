// The 3D icons above the panels' entries, and the command that sets them up.
#include "filemanager/OpenGLPanel.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "icons3d/IconCache.h"
#include "icons3d/ic3dlimdlg.h"

void TMainForm::DrawExtensionIcon(Tglfr& panel, const std::string& lext)
{
    TOpenGLPanel* view = panel.OpenGLPanel1;
    iconCache->DrawExtensionIcon(lext, iconQuadric, [view](const std::string& text) { view->Draw3DText(text); });
}

void TMainForm::Draw3DiconmenuClick()
{
    RunIconSettingsDialog(this, IconSettings{icon3DLimit, icon3DDir, exeDir + "icon3d/"}, *iconCache);
    RepaintPanels();
}
