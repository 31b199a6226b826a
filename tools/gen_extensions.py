#!/usr/bin/env python3
"""Generates data/extensions.xml, the extension database that ships beside
the programs, from the Khronos API registry (Debian package khronos-api).

Every GL, GLX and WGL extension of the registry becomes one "ext" record
with the commands of its require blocks as entry points; the OpenGL core
versions 1.1 to 2.1 become "core" records with the commands each version
adds.  The promotion facts (which extension became part of which core
version) come from the appendices of the OpenGL specifications and are kept
in the tables below.

Usage: gen_extensions.py [--registry DIR] [--output FILE]
The output is written in exactly the layout that the library writes, so
loading the file and writing it again changes nothing but the edition
number.
"""
import argparse
import os
import sys
import xml.etree.ElementTree as ET

EDITION = 1
COMMENT = "<!-- tessera OpenGL extension database - https://tessera.example.org/extensions -->"

# (core version, status, extensions promoted into it).  Status "Optional"
# marks the optional parts: the 1.1 group (counted for version 1.1 only with
# that status) and the imaging subset of 1.2.
PROMOTIONS = [
    ("1.1", "Optional", ["EXT_vertex_array", "EXT_polygon_offset", "EXT_blend_logic_op",
                         "EXT_texture", "EXT_copy_texture", "EXT_subtexture",
                         "EXT_texture_object"]),
    ("1.2", "", ["EXT_texture3D", "EXT_bgra", "EXT_packed_pixels", "EXT_rescale_normal",
                 "EXT_separate_specular_color", "SGIS_texture_edge_clamp", "SGIS_texture_lod",
                 "EXT_draw_range_elements"]),
    ("1.2", "Optional", ["ARB_imaging", "SGI_color_table", "EXT_color_subtable",
                         "EXT_convolution", "HP_convolution_border_modes", "SGI_color_matrix",
                         "EXT_histogram", "EXT_blend_color", "EXT_blend_minmax",
                         "EXT_blend_subtract"]),
    ("1.3", "", ["ARB_texture_compression", "ARB_texture_cube_map", "ARB_multisample",
                 "ARB_multitexture", "ARB_texture_env_add", "ARB_texture_env_combine",
                 "ARB_texture_env_dot3", "ARB_texture_border_clamp", "ARB_transpose_matrix"]),
    ("1.4", "", ["SGIS_generate_mipmap", "NV_blend_square", "ARB_depth_texture", "ARB_shadow",
                 "EXT_fog_coord", "EXT_multi_draw_arrays", "ARB_point_parameters",
                 "EXT_secondary_color", "EXT_blend_func_separate", "EXT_stencil_wrap",
                 "ARB_texture_env_crossbar", "EXT_texture_lod_bias",
                 "ARB_texture_mirrored_repeat", "ARB_window_pos"]),
    ("1.5", "", ["ARB_vertex_buffer_object", "ARB_occlusion_query", "EXT_shadow_funcs"]),
    ("2.0", "", ["ARB_shader_objects", "ARB_vertex_shader", "ARB_fragment_shader",
                 "ARB_shading_language_100", "ARB_draw_buffers",
                 "ARB_texture_non_power_of_two", "ARB_point_sprite",
                 "EXT_blend_equation_separate", "ATI_separate_stencil"]),
    ("2.1", "", ["ARB_pixel_buffer_object", "EXT_texture_sRGB"]),
]

# Twins: the same extension published under another vendor's name.  Each
# pair is recorded in both directions (a record collects every twin,
# "|"-separated).  A twin that the registry does not list still appears as
# an alias text.
TWINS = [
    ("EXT_texture_edge_clamp", "SGIS_texture_edge_clamp"),
    ("EXT_texture_cube_map", "ARB_texture_cube_map"),
    ("SGIS_multisample", "ARB_multisample"),
    ("IBM_texture_mirrored_repeat", "ARB_texture_mirrored_repeat"),
    ("MESA_window_pos", "ARB_window_pos"),
    ("EXT_point_parameters", "ARB_point_parameters"),
    ("SGIS_point_parameters", "ARB_point_parameters"),
    ("ATI_draw_buffers", "ARB_draw_buffers"),
    ("SGIX_depth_texture", "ARB_depth_texture"),
    ("SGIX_shadow", "ARB_shadow"),
    ("EXT_texture_env_add", "ARB_texture_env_add"),
    ("EXT_texture_env_combine", "ARB_texture_env_combine"),
    ("EXT_texture_env_dot3", "ARB_texture_env_dot3"),
    ("SGIS_texture_border_clamp", "ARB_texture_border_clamp"),
    ("EXT_pixel_buffer_object", "ARB_pixel_buffer_object"),
    ("EXT_color_table", "SGI_color_table"),
    ("INGR_blend_func_separate", "EXT_blend_func_separate"),
    ("SUN_multi_draw_arrays", "EXT_multi_draw_arrays"),
]

CORE_VERSIONS = ["1.1", "1.2", "1.3", "1.4", "1.5", "2.0", "2.1"]
DESKTOP_APIS = {"gl", "glx", "wgl"}
GLES_APIS = {"gles1", "gles2", "glsc2"}


def escape(text):
    return (text.replace("&", "&amp;").replace('"', "&quot;")
            .replace("<", "&lt;").replace(">", "&gt;"))


def require_commands(parent, element):
    """Commands of the require blocks of parent, in order, without
    duplicates; blocks for a GLES API are skipped."""
    names = []
    for req in parent.findall(element):
        api = req.get("api")
        if api and api in GLES_APIS:
            continue
        for cmd in req.findall("command"):
            name = cmd.get("name")
            if name and name not in names:
                names.append(name)
    return names


def load_extensions(registry):
    exts = {}
    for file_name in ("gl.xml", "glx.xml", "wgl.xml"):
        root = ET.parse(os.path.join(registry, file_name)).getroot()
        for ext in root.iter("extension"):
            name = ext.get("name")
            supported = set((ext.get("supported") or "").split("|"))
            if not name or not (supported & DESKTOP_APIS):
                continue
            record = exts.setdefault(name, {"alias": [], "core": "", "status": "",
                                            "functions": []})
            for cmd in require_commands(ext, "require"):
                if cmd not in record["functions"]:
                    record["functions"].append(cmd)
    return exts


def load_core_versions(registry):
    root = ET.parse(os.path.join(registry, "gl.xml")).getroot()
    versions = {}
    for feature in root.iter("feature"):
        if feature.get("api") != "gl":
            continue
        number = feature.get("number")
        if number in CORE_VERSIONS:
            versions[number] = require_commands(feature, "require")
    missing = [v for v in CORE_VERSIONS if v not in versions]
    if missing:
        sys.exit("gen_extensions: registry lacks core versions %s" % ", ".join(missing))
    return versions


def apply_tables(exts):
    for core, status, names in PROMOTIONS:
        for short in names:
            record = exts.get("GL_" + short)
            if record is None:
                sys.exit("gen_extensions: promoted extension GL_%s not in the registry" % short)
            record["core"] = core
            record["status"] = status
    for a, b in TWINS:
        for own, twin in ((a, b), (b, a)):
            record = exts.get("GL_" + own)
            if record is not None and ("GL_" + twin) not in record["alias"]:
                record["alias"].append("GL_" + twin)


def render(exts, versions):
    lines = ['<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>', COMMENT,
             '<tessera version="%d">' % EDITION]
    for name in sorted(exts, key=lambda n: (n.lower(), n)):
        record = exts[name]
        head = ('<ext name="%s" alias="%s" core="%s" spec="" req="" status="%s" cat="" '
                'depends="" affects=""' % (escape(name), escape("|".join(record["alias"])),
                                           record["core"], record["status"]))
        if record["functions"]:
            lines.append(head + ">")
            lines.extend("<function>%s</function>" % escape(f) for f in record["functions"])
            lines.append("</ext>")
        else:
            lines.append(head + "/>")
    for version in CORE_VERSIONS:
        lines.append('<core version="%s">' % version)
        lines.extend("<f>%s</f>" % escape(f) for f in versions[version])
        lines.append("</core>")
    lines.append("</tessera>")
    return "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--registry", default="/usr/share/khronos-api")
    parser.add_argument("--output", default=os.path.join(here, "..", "data", "extensions.xml"))
    args = parser.parse_args()

    exts = load_extensions(args.registry)
    apply_tables(exts)
    text = render(exts, load_core_versions(args.registry))
    with open(args.output, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)


if __name__ == "__main__":
    main()
