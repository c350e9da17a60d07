// Identifiers of the resources in Vistero.rc, shared by the code and the script.
#pragma once
