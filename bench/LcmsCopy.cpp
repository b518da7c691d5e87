// The Little CMS side of the copy comparison: open a profile and save it
// again, as small as such a program gets.

#include <lcms2.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: lcms-copy IN OUT\n");
        return 2;
    }
    cmsHPROFILE profile = cmsOpenProfileFromFile(argv[1], "r");
    if (!profile)
        return 1;
    const bool saved = cmsSaveProfileToFile(profile, argv[2]);
    cmsCloseProfile(profile);
    return saved ? 0 : 1;
}
