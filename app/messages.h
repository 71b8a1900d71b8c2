#pragma once

// Every text the user sees, byte for byte, with its box's caption and icon.
// Icon values are the platform's MB_ICONINFORMATION and MB_ICONERROR; MB_OK is 0.
#define USAGE_TEXT \
  "Les parametres possibles sont\n le chemin d'acces \n l'hardware ID \n mode silencieux (optionnel)"
#define MISSING_ARGUMENT_TEXT "Il manque le chemin d'acces ou l'hardware ID"
#define PARAMETERS_CAPTION "Infos sur les parametres"
#define PATH_ERROR_PREFIX "Le chemin "
#define PATH_ERROR_SUFFIX " n'existe pas! "

enum MessageIcon { ICON_ERROR = 0x10, ICON_INFORMATION = 0x40 };
