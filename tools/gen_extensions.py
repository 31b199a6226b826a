#!/usr/bin/env python3
"""Generates data/extensions.xml, the extension database that ships beside
the programs, from the Khronos API registry (Debian package khronos-api).

Every GL, GLX and WGL extension of the registry becomes one "ext" record
with the commands of its require blocks as entry points; the OpenGL core
versions 1.1 to 4.6 become "core" records with the commands each version
adds (from 3.0 on, the core profile's: commands required only by the
compatibility profile and commands that a later version removes from the
core profile are left out).  The promotion facts (which extension became
part of which core version) come from the feature lists in the appendices
of the OpenGL core documents that Khronos publishes, and are kept in the
tables below.

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
    # From 3.0 on: the lists of new features in the appendices of the
    # OpenGL 4.6 core profile document of Khronos, Appendix F "Version 3.0
    # and Before" for 3.0 and Appendices G to P, one per version 3.1 to 4.6;
    # each entry there names the extension behind the promoted feature.
    # Where a feature was published both as a vendor extension and as an ARB
    # extension written for it, the row names the ARB one and the vendor
    # original is its twin below.
    ("3.0", "", ["ARB_color_buffer_float", "ARB_depth_buffer_float", "ARB_framebuffer_object",
                 "ARB_framebuffer_sRGB", "ARB_half_float_pixel", "ARB_half_float_vertex",
                 "ARB_map_buffer_range", "ARB_texture_compression_rgtc", "ARB_texture_float",
                 "ARB_texture_rg", "ARB_vertex_array_object", "EXT_gpu_shader4",
                 "EXT_packed_float", "EXT_texture_array", "EXT_texture_integer",
                 "EXT_texture_shared_exponent", "EXT_draw_buffers2", "EXT_transform_feedback",
                 "NV_conditional_render", "EXT_packed_depth_stencil"]),
    ("3.1", "", ["ARB_draw_instanced", "ARB_copy_buffer", "NV_primitive_restart",
                 "ARB_texture_buffer_object", "ARB_texture_rectangle",
                 "ARB_uniform_buffer_object", "EXT_texture_snorm"]),
    ("3.2", "", ["ARB_vertex_array_bgra", "ARB_draw_elements_base_vertex",
                 "ARB_fragment_coord_conventions", "ARB_provoking_vertex",
                 "ARB_seamless_cube_map", "ARB_texture_multisample", "ARB_depth_clamp",
                 "ARB_geometry_shader4", "ARB_sync"]),
    ("3.3", "", ["ARB_shader_bit_encoding", "ARB_blend_func_extended",
                 "ARB_explicit_attrib_location", "ARB_occlusion_query2", "ARB_sampler_objects",
                 "ARB_texture_rgb10_a2ui", "ARB_texture_swizzle", "ARB_timer_query",
                 "ARB_instanced_arrays", "ARB_vertex_type_2_10_10_10_rev"]),
    ("4.0", "", ["ARB_texture_query_lod", "ARB_draw_buffers_blend", "ARB_draw_indirect",
                 "ARB_gpu_shader5", "ARB_gpu_shader_fp64", "ARB_sample_shading",
                 "ARB_shader_subroutine", "ARB_tessellation_shader",
                 "ARB_texture_buffer_object_rgb32", "ARB_texture_cube_map_array",
                 "ARB_texture_gather", "ARB_transform_feedback2", "ARB_transform_feedback3"]),
    ("4.1", "", ["ARB_ES2_compatibility", "ARB_get_program_binary",
                 "ARB_separate_shader_objects", "ARB_shader_precision",
                 "ARB_vertex_attrib_64bit", "ARB_viewport_array"]),
    ("4.2", "", ["ARB_texture_compression_bptc", "ARB_compressed_texture_pixel_storage",
                 "ARB_shader_atomic_counters", "ARB_texture_storage",
                 "ARB_transform_feedback_instanced", "ARB_base_instance",
                 "ARB_shader_image_load_store", "ARB_conservative_depth",
                 "ARB_shading_language_420pack", "ARB_internalformat_query",
                 "ARB_map_buffer_alignment", "ARB_shading_language_packing"]),
    ("4.3", "", ["ARB_arrays_of_arrays", "ARB_ES3_compatibility", "ARB_clear_buffer_object",
                 "ARB_compute_shader", "ARB_copy_image", "KHR_debug",
                 "ARB_explicit_uniform_location", "ARB_fragment_layer_viewport",
                 "ARB_framebuffer_no_attachments", "ARB_internalformat_query2",
                 "ARB_invalidate_subdata", "ARB_multi_draw_indirect",
                 "ARB_program_interface_query", "ARB_robust_buffer_access_behavior",
                 "ARB_shader_image_size", "ARB_shader_storage_buffer_object",
                 "ARB_stencil_texturing", "ARB_texture_buffer_range",
                 "ARB_texture_query_levels", "ARB_texture_storage_multisample",
                 "ARB_texture_view", "ARB_vertex_attrib_binding"]),
    ("4.4", "", ["ARB_buffer_storage", "ARB_clear_texture", "ARB_enhanced_layouts",
                 "ARB_multi_bind", "ARB_query_buffer_object",
                 "ARB_texture_mirror_clamp_to_edge", "ARB_texture_stencil8",
                 "ARB_vertex_type_10f_11f_11f_rev"]),
    ("4.5", "", ["ARB_clip_control", "ARB_conditional_render_inverted", "ARB_cull_distance",
                 "ARB_derivative_control", "ARB_direct_state_access",
                 "ARB_get_texture_sub_image", "ARB_shader_texture_image_samples",
                 "ARB_texture_barrier", "KHR_context_flush_control", "KHR_robustness",
                 "ARB_ES3_1_compatibility"]),
    ("4.6", "", ["ARB_gl_spirv", "ARB_spirv_extensions", "ARB_indirect_parameters",
                 "ARB_pipeline_statistics_query", "ARB_polygon_offset_clamp", "KHR_no_error",
                 "ARB_shader_atomic_counter_ops", "ARB_shader_draw_parameters",
                 "ARB_shader_group_vote", "ARB_texture_filter_anisotropic",
                 "ARB_transform_feedback_overflow_query"]),
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
    # Twins of extensions promoted into 3.0 and later: the ARB text of these
    # is the vendor text under the ARB's name.
    ("EXT_texture_compression_rgtc", "ARB_texture_compression_rgtc"),
    ("EXT_framebuffer_sRGB", "ARB_framebuffer_sRGB"),
    ("EXT_texture_rectangle", "ARB_texture_rectangle"),
    ("NV_texture_rectangle", "ARB_texture_rectangle"),
    ("EXT_draw_instanced", "ARB_draw_instanced"),
    ("EXT_geometry_shader4", "ARB_geometry_shader4"),
    ("EXT_provoking_vertex", "ARB_provoking_vertex"),
    ("EXT_texture_swizzle", "ARB_texture_swizzle"),
    ("NV_depth_clamp", "ARB_depth_clamp"),
    ("EXT_polygon_offset_clamp", "ARB_polygon_offset_clamp"),
    ("EXT_texture_filter_anisotropic", "ARB_texture_filter_anisotropic"),
]

CORE_VERSIONS = ["1.1", "1.2", "1.3", "1.4", "1.5", "2.0", "2.1", "3.0", "3.1", "3.2", "3.3",
                 "4.0", "4.1", "4.2", "4.3", "4.4", "4.5", "4.6"]
# Versions from which on the entry points are those of the core profile.
PROFILE_VERSIONS = CORE_VERSIONS[CORE_VERSIONS.index("3.0"):]
DESKTOP_APIS = {"gl", "glx", "wgl"}
GLES_APIS = {"gles1", "gles2", "glsc2"}


def escape(text):
    return (text.replace("&", "&amp;").replace('"', "&quot;")
            .replace("<", "&lt;").replace(">", "&gt;"))


def require_commands(parent, element, core_profile=False):
    """Commands of the require blocks of parent, in order, without
    duplicates; blocks for a GLES API are skipped, and with core_profile
    so are the blocks of the compatibility profile."""
    names = []
    for req in parent.findall(element):
        api = req.get("api")
        if api and api in GLES_APIS:
            continue
        if core_profile and req.get("profile") == "compatibility":
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


def version_key(number):
    major, minor = number.split(".")
    return int(major), int(minor)


def load_core_versions(registry):
    root = ET.parse(os.path.join(registry, "gl.xml")).getroot()
    features = [f for f in root.iter("feature") if f.get("api") == "gl"]
    versions = {}
    for feature in features:
        number = feature.get("number")
        if number not in CORE_VERSIONS:
            continue
        if number not in PROFILE_VERSIONS:
            versions[number] = require_commands(feature, "require")
            continue
        # A command that a later version removes from the core profile is
        # not one the core profile of this version offers.
        removed = set()
        for later in features:
            if version_key(later.get("number")) <= version_key(number):
                continue
            for block in later.findall("remove"):
                if block.get("profile") in (None, "core"):
                    removed.update(c.get("name") for c in block.findall("command"))
        versions[number] = [c for c in require_commands(feature, "require", core_profile=True)
                            if c not in removed]
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
