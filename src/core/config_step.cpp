// The configuration step of start-up: choose the configuration file,
// create the table from the defaults, read the file, resolve the settings.
#include "core/startup.h"
#include "core/editor.h"
#include "pconfig/pconfig.h"

#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

// ~/.vexarc of the real user, or null when there is no password entry or
// the path does not fit.
static const char *default_config_path()
{
    static char path[1024];
    const passwd *pw = getpwuid(getuid());
    if (!pw || !pw->pw_dir)
        return nullptr;
    int n = snprintf(path, sizeof path, "%s/.vexarc", pw->pw_dir);
    if (n < 0 || static_cast<size_t>(n) >= sizeof path)
        return nullptr;
    return path;
}

static void resolve(int &setting, const char *key)
{
    if (setting == -1)
        setting = pconfig_get_int(key);
}

void config_step()
{
    if (!editor.config_path)
        editor.config_path = default_config_path();
    if (pconfig_init(0, vexa_defaults) < 0) {
        fprintf(stderr, "%s: pconfig_init() failed\n", editor.prog_name.c_str());
        exit(1);
    }
    if (editor.config_path)
        pconfig_read_file(editor.config_path); // a faulty file is not reported
    resolve(use_colors, "use_colors");
    resolve(make_backup_files, "make_backup_files");
    resolve(advance_after_edit, "advance_after_edit");
}
