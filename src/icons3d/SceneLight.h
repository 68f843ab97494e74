#pragma once

// The one light of every 3D scene of the file panels and their icons: lighting on, light 0
// white (ambient, diffuse and specular) and directional from (1, 1, 1). Needs a current context.
void SetupSceneLight();
