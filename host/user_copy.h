/*
** user_copy.h: the user's own copy of the SQL configuration and the sample
** projects, and the editor's support folder.
**
** pvhost never lets the module work on the files it ships: without
** $ASI_INI, the first run copies asi.ini and the sample projects from the
** resources into the user's data folder ($XDG_DATA_HOME/petrivex, else
** ~/.local/share/petrivex), and every run uses that copy. The same folder
** is the editor's support folder, where acad.lsp lives; its shapes/
** folder, copied from the resources' shipped symbol libraries, is a
** support folder too, where the user's own libraries go beside them.
**
**   user_copy c;
**   if (!user_copy_prepare("/src/resources", c)) fail(c.error);
**   if (c.made) announce(c.folder);
*/
#ifndef PV_HOST_USER_COPY_H
#define PV_HOST_USER_COPY_H

#include <string>

/* The name of the configuration file, in the resources and in the copy. */
#define USER_COPY_INI "asi.ini"
/* The folder of the sample projects, in the resources and in the copy. */
#define USER_COPY_PROJECTS "projects"

/* The folder of the symbol libraries, in the resources and in the copy. */
#define USER_COPY_SHAPES "shapes"

/* What user_copy_prepare found or made. */
struct user_copy {
  std::string folder;  /* the user's data folder                          */
  std::string ini;     /* the configuration file in it                    */
  bool made = false;   /* true when this run made the copy                */
  std::string error;   /* why the copy could not be made or found         */
};

/* The user's data folder: $XDG_DATA_HOME/petrivex when that variable holds
** an absolute path, else $HOME/.local/share/petrivex. Empty when neither
** is set. */
std::string user_data_folder();

/* Finds the user's copy, or makes it from the resources folder when the
** data folder holds no configuration: the sample projects (every folder
** under the resources' projects/, files already there kept) first, the
** configuration last, so that an interrupted copy is finished by the next
** run. True with c.folder, c.ini and c.made set; false with c.error
** (nothing under the resources is written either way). */
bool user_copy_prepare(const std::string &resources, user_copy &c);

/* Brings the shipped symbol libraries (the files of the resources'
** shapes/ folder) into folder/shapes, keeping every file already there,
** so that a library the user changed or added stays. True with the
** folder's path in shapes; false with error set. */
bool user_copy_shapes(const std::string &resources, const std::string &folder, std::string &shapes,
                      std::string &error);

#endif /* PV_HOST_USER_COPY_H */
