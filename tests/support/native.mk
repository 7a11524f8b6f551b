# Host-side parts of the test rig, built with make after the CMake cross build (scripts/build):
#   - the Winelib bridge jvm.dll (hosts the Linux OpenJDK) for the runtimes jdk17 and jdk17-nohelper,
#   - the Winelib splashscreen.dll of the runtime jdk17 (in front of the Linux OpenJDK's splash library),
#   - the 32-bit PE jvm.dll of the runtime x86,
#   - the runtime jdk17-pe: a 64-bit PE jvm.dll that passes every call to the bridge beside it,
#   - the Java test applications: every folder tests/support/java/NAME/ becomes
#     $(OUT)/support/java/NAME.jar; its main class is named in NAME/main-class (one line), further main
#     attributes in NAME/manifest when there is one, and the images that NAME_IMAGES lists go into the
#     jar's folder "images";
#   - the splash image $(OUT)/support/splash.png;
#   - $(OUT)/support/java/splash-zip64.jar: the splash application with 70,000 empty files beside it,
#     made by the JDK's jar tool, which writes ZIP64 end records from 65,535 entries on;
#   - $(OUT)/support/signed/: the probe application packaged with the launchers that scripts/build made
#     (build/bin), signed with osslsigncode and a throw-away certificate, and altered in the ways the
#     signature table of the end-to-end tests lists (tests/support/signing/sign_fixtures.py).
# usage: make -f tests/support/native.mk OUT=/abs/build [JDK=...]

ifndef OUT
$(error OUT must name the build folder)
endif

JDK ?= /usr/lib/jvm/java-17-openjdk-amd64
SRC := tests/support
WORK := $(OUT)/native
RUNTIMES := $(OUT)/runtimes
JARS := $(OUT)/support/java

WINEGCC ?= winegcc
I686_CC ?= i686-w64-mingw32-gcc-posix
X64_CC ?= x86_64-w64-mingw32-gcc-posix
BRIDGE_CFLAGS := -O2 -g -Wall -Wextra -Werror -fvisibility=hidden -I$(WORK)/bridge \
                 -I$(JDK)/include -I$(JDK)/include/linux

rwildcard = $(foreach d,$(wildcard $(1:=/*)),$(call rwildcard,$d,$2) $(filter $(subst *,%,$2),$d))

APPS := $(patsubst $(SRC)/java/%/main-class,%,$(wildcard $(SRC)/java/*/main-class))
APP_JARS := $(APPS:%=$(JARS)/%.jar)
SPLASH_IMAGE := $(OUT)/support/splash.png
splash_IMAGES := $(SPLASH_IMAGE)

RUNTIME_FILES := \
    $(RUNTIMES)/jdk17/bin/java.dll $(RUNTIMES)/jdk17/bin/server/jvm.dll $(RUNTIMES)/jdk17/bin/splashscreen.dll \
    $(RUNTIMES)/jdk17-nohelper/bin/java.dll $(RUNTIMES)/jdk17-nohelper/bin/client/jvm.dll \
    $(RUNTIMES)/x86/bin/java.dll $(RUNTIMES)/x86/bin/client/jvm.dll \
    $(RUNTIMES)/jdk17-pe/bin/java.dll $(RUNTIMES)/jdk17-pe/bin/server/jvm.dll \
    $(RUNTIMES)/jdk17-pe/bin/server/qxbridge.dll

ZIP64_JAR := $(JARS)/splash-zip64.jar
SIGNED := $(OUT)/support/signed/verify.txt

.PHONY: all
all: $(RUNTIME_FILES) $(APP_JARS) $(SPLASH_IMAGE) $(ZIP64_JAR) $(SIGNED)

# --- the bridge -----------------------------------------------------------------------------
$(WORK)/bridge/jni_thunks.c: $(SRC)/bridge/gen_thunks.py $(JDK)/include/jni.h
	@mkdir -p $(@D)
	python3 $(SRC)/bridge/gen_thunks.py $(JDK)/include/jni.h $@.tmp && mv $@.tmp $@

$(WORK)/bridge/bridge.o: $(SRC)/bridge/bridge.c $(WORK)/bridge/jni_thunks.c
	$(WINEGCC) -c $(BRIDGE_CFLAGS) -o $@ $<

$(WORK)/bridge/full/jvm.dll.so: $(WORK)/bridge/bridge.o $(SRC)/bridge/bridge.spec
	@mkdir -p $(@D)
	$(WINEGCC) -shared -o $(@D)/jvm.dll $^

$(WORK)/bridge/nohelper/bridge.spec: $(SRC)/bridge/bridge.spec
	@mkdir -p $(@D)
	grep -v JVM_FindClassFromBootLoader $< > $@.tmp && mv $@.tmp $@

$(WORK)/bridge/nohelper/jvm.dll.so: $(WORK)/bridge/bridge.o $(WORK)/bridge/nohelper/bridge.spec
	$(WINEGCC) -shared -o $(@D)/jvm.dll $^

$(RUNTIMES)/jdk17/bin/server/jvm.dll: $(WORK)/bridge/full/jvm.dll.so
	@mkdir -p $(@D)
	cp $< $@

$(RUNTIMES)/jdk17-nohelper/bin/client/jvm.dll: $(WORK)/bridge/nohelper/jvm.dll.so
	@mkdir -p $(@D)
	cp $< $@

$(RUNTIMES)/jdk17-pe/bin/server/qxbridge.dll: $(WORK)/bridge/full/jvm.dll.so
	@mkdir -p $(@D)
	cp $< $@

$(RUNTIMES)/jdk17-pe/bin/server/jvm.dll: $(SRC)/runtimes/pe_shim_jvm.c
	@mkdir -p $(@D)
	$(X64_CC) -shared -O2 -Wall -Wextra -Werror -s -o $@ $< -Wl,--kill-at -static-libgcc

$(WORK)/bridge/splash.o: $(SRC)/bridge/splash.c
	@mkdir -p $(@D)
	$(WINEGCC) -c $(BRIDGE_CFLAGS) -o $@ $<

$(WORK)/bridge/splash/splashscreen.dll.so: $(WORK)/bridge/splash.o $(SRC)/bridge/splash.spec
	@mkdir -p $(@D)
	$(WINEGCC) -shared -o $(@D)/splashscreen.dll $^

$(RUNTIMES)/jdk17/bin/splashscreen.dll: $(WORK)/bridge/splash/splashscreen.dll.so
	@mkdir -p $(@D)
	cp $< $@

# --- the 32-bit runtime -------------------------------------------------------------------------
$(RUNTIMES)/x86/bin/client/jvm.dll: $(SRC)/runtimes/x86_jvm.c
	@mkdir -p $(@D)
	$(I686_CC) -shared -O2 -Wall -Wextra -Werror -s -o $@ $< -Wl,--kill-at -static-libgcc

# A runtime is recognised by bin/java.dll; its content does not matter.
$(RUNTIMES)/%/bin/java.dll:
	@mkdir -p $(@D)
	printf 'qxtest runtime marker\n' > $@

# --- the splash image ---------------------------------------------------------------------------
# Two areas in colours that a screenshot can tell from anything else on the test display: a blue
# ground 0x1E50C8 and an amber box 0xF0B41E inside it.
$(SPLASH_IMAGE):
	@mkdir -p $(@D)
	convert -size 320x200 xc:'#1E50C8' -fill '#F0B41E' -draw 'rectangle 60,40 260,130' $@.tmp.png && \
	    mv $@.tmp.png $@

# --- Java test applications ---------------------------------------------------------------------
define java_app
$(JARS)/$(1).jar: $(call rwildcard,$(SRC)/java/$(1),*.java) $(SRC)/java/$(1)/main-class \
                  $(wildcard $(SRC)/java/$(1)/manifest) $($(1)_IMAGES)
	@rm -rf $(WORK)/java/$(1) && mkdir -p $(WORK)/java/$(1) $(JARS)
	$(JDK)/bin/javac -nowarn -encoding UTF-8 --release 17 -d $(WORK)/java/$(1) \
	    $(call rwildcard,$(SRC)/java/$(1),*.java)
	$(if $($(1)_IMAGES),mkdir -p $(WORK)/java/$(1)/images && cp $($(1)_IMAGES) $(WORK)/java/$(1)/images/)
	$(JDK)/bin/jar --create --file $$@.tmp --main-class $$$$(cat $(SRC)/java/$(1)/main-class) \
	    $(if $(wildcard $(SRC)/java/$(1)/manifest),--manifest $(SRC)/java/$(1)/manifest) \
	    -C $(WORK)/java/$(1) . && mv $$@.tmp $$@
endef
$(foreach app,$(APPS),$(eval $(call java_app,$(app))))

# --- a jar of 70,000 entries ----------------------------------------------------------------------
$(ZIP64_JAR): $(JARS)/splash.jar
	@rm -rf $(WORK)/zip64 && mkdir -p $(WORK)/zip64/filler
	cd $(WORK)/zip64 && $(JDK)/bin/jar --extract --file $<
	python3 -c "import os, sys; [open(os.path.join(sys.argv[1], 'f%05d' % i), 'w').close() for i in range(70000)]" \
	    $(WORK)/zip64/filler
	$(JDK)/bin/jar --create --file $@.tmp --manifest $(WORK)/zip64/META-INF/MANIFEST.MF \
	    -C $(WORK)/zip64 qx -C $(WORK)/zip64 images -C $(WORK)/zip64 filler && mv $@.tmp $@
	rm -rf $(WORK)/zip64

# --- signed executables -----------------------------------------------------------------------------
$(SIGNED): $(SRC)/signing/sign_fixtures.py $(OUT)/pack-native/qxpack $(OUT)/bin/qxlaunch.exe \
           $(OUT)/bin/qxlaunchw.exe $(JARS)/probe.jar $(JARS)/evil.jar
	python3 $< $(@D) $(OUT)/pack-native/qxpack $(OUT)/bin/qxlaunch.exe $(OUT)/bin/qxlaunchw.exe \
	    $(JARS)/probe.jar $(JARS)/evil.jar
