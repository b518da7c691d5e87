// A device link between two test profiles, made by Little CMS as a print
// shop's tools make one: the source profile's A2B to the printer profile's
// B2A, relative colorimetric, sampled on a 17-point grid.
//
// usage: make-link SOURCE PRINTER OUT [--v4] [--lut8]
//        (version 2 with lut16 by default; --v4 an 'mAB ' table, --lut8 a lut8 one)

#include <lcms2.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: make-link SOURCE PRINTER OUT [--v4] [--lut8]\n");
        return 2;
    }
    bool v4 = false, lut8 = false;
    for (int i = 4; i < argc; ++i) {
        v4 = v4 || std::strcmp(argv[i], "--v4") == 0;
        lut8 = lut8 || std::strcmp(argv[i], "--lut8") == 0;
    }
    cmsHPROFILE source = cmsOpenProfileFromFile(argv[1], "r");
    cmsHPROFILE printer = cmsOpenProfileFromFile(argv[2], "r");
    if (!source || !printer) {
        std::fprintf(stderr, "make-link: cannot open %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    const cmsUInt32Number flags = cmsFLAGS_GRIDPOINTS(17) | (lut8 ? cmsFLAGS_8BITS_DEVICELINK : 0);
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, TYPE_CMYK_16, printer, TYPE_CMYK_16, INTENT_RELATIVE_COLORIMETRIC, flags);
    if (!transform) {
        std::fprintf(stderr, "make-link: no transform\n");
        return 1;
    }
    cmsHPROFILE link = cmsTransform2DeviceLink(transform, v4 ? 4.3 : 2.1, flags);
    if (!link) {
        std::fprintf(stderr, "make-link: no device link\n");
        return 1;
    }
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", "Test link from the shared CMYK profiles");
    cmsWriteTag(link, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    // The profiles it was made from, as a device link names them.
    cmsSEQ* sequence = cmsAllocProfileSequenceDescription(nullptr, 2);
    cmsHPROFILE from[2] = {source, printer};
    for (int i = 0; i < 2; ++i) {
        sequence->seq[i].deviceMfg = cmsGetHeaderManufacturer(from[i]);
        sequence->seq[i].deviceModel = cmsGetHeaderModel(from[i]);
        cmsGetHeaderAttributes(from[i], &sequence->seq[i].attributes);
        sequence->seq[i].technology = cmsSigInkJetPrinter;
        sequence->seq[i].Manufacturer = cmsMLUalloc(nullptr, 1);
        sequence->seq[i].Model = cmsMLUalloc(nullptr, 1);
        cmsMLUsetASCII(sequence->seq[i].Manufacturer, "en", "US", "Vestrel tests");
        cmsMLUsetASCII(sequence->seq[i].Model, "en", "US", i == 0 ? "source" : "printer");
    }
    cmsWriteTag(link, cmsSigProfileSequenceDescTag, sequence);
    cmsFreeProfileSequenceDescription(sequence);
    const bool saved = cmsSaveProfileToFile(link, argv[3]);
    cmsCloseProfile(link);
    cmsDeleteTransform(transform);
    cmsCloseProfile(source);
    cmsCloseProfile(printer);
    return saved ? 0 : 1;
}
